// One recording from start to the finished file: the grabber, the two encoders, the microphone and
// the writer, and the recording thread that paces the frames and writes both streams.
//
// Pictures and sound share one time line (the recording clock): a picture is stamped when its grab
// began, an AAC frame when its first sample was captured, both less the time spent paused.
//
// Threads: construction, Start, Stop, the pause flag and destruction on the user-interface thread;
// Run and OnFrame on the recording thread; OnAudioData on the microphone channel's delivery thread
// until the recording thread has stopped the microphone, which it does once the loop has ended.
// The two streams go into the file in time order: a picture waits in the hold until the sound up
// to its time has been written, or for at most about a second when no sound comes.
//
// Locks: the writer lock around each group of writes on the recording thread, and inside it the
// queue lock around each frame taken; writer lock, then queue lock, never the reverse.
#pragma once
#include <windows.h>

#include "engine/audio_channel.h"
#include "engine/audio_encoder.h"
#include "engine/audio_queue.h"
#include "engine/audio_settings.h"
#include "engine/audio_stamper.h"
#include "engine/picture_hold.h"
#include "engine/auto_lock.h"
#include "engine/recording_clock.h"
#include "engine/screen_win.h"
#include "engine/video_encoder.h"
#include "foundation/ref_string.h"
#include "foundation/thread.h"

class MediaStream;

class TWorker : public TThread, public IScreenFrameListener {
public:
    TWorker();
    // Stops the thread (waiting for it to end), closes the microphone, releases the grabber and
    // finishes the file.
    ~TWorker() override;

    // Opens everything and starts the recording thread; once per worker. path holds the output
    // path in UTF-8 (".ts" in any case gives a transport stream, anything else FLV); notify gets
    // WM_COMMAND IDCANCEL when a write fails while the recording runs; processes is a
    // zero-terminated process-id list for an application recording, or null. FALSE when the
    // grabber, an encoder or the microphone cannot be opened or the thread cannot be created; a
    // failed microphone open leaves its error code with bit 31 set as the thread's last error.
    BOOL Start(const TRefString<char>& path, const TAudioSettings* settings, HWND notify,
               const DWORD* processes);
    // Sets the stop flag and waits at most 4000 ms for the thread; TRUE when it ended in time.
    // FALSE on time-out, without a thread, or on the recording thread itself. The thread makes
    // the last writes and closes the file before it ends.
    BOOL Stop() override;
    // Waits for the recording thread to end, however long that takes (not on that thread).
    void WaitForEnd();
    // A write of this recording failed, the last ones and the file's closing included. The first
    // failure ends all writing: while the recording runs it is posted to the notify window; once
    // the stop has begun nothing is posted, and the owner asks here after the thread has ended.
    bool WriteFailed() const { return m_bWriteFailed; }

    int Run() override;
    void OnFrame(HDC frame) override;
    // The microphone's data callback: encodes the part of one buffer captured while recording and
    // queues its frames with their times.
    static int OnAudioData(void* context, WAVEHDR* header);

    // Set by the owner before Start.
    int m_nFps = 0;
    int m_nQuality = 55;        // 0 to 100
    const RECT* m_pRegion = NULL; // screen rectangle to record, or null for the primary screen
    // The annotation canvas's window handle (null while it has no window): no click markers while
    // the canvas exists. The owner may clear the pointer while the recording thread runs.
    const HWND* volatile m_pCanvas = NULL;

    // Toggled by the owner; read by the recording thread, which keeps the time line.
    volatile int m_bPaused = 0;
    // The recording thread has taken the pause: it grabs and writes nothing until it goes on.
    bool PausedNow() const { return m_bPausedNow != 0; }

    // Figures of the sound's timing for the log and for measurements: times the sound was set back
    // to its capture time, and the last capture time less where the sample count put it (ms).
    int AudioResyncs() const { return m_stamper.Resyncs(); }
    double AudioDrift() const { return m_stamper.LastDrift(); }
    // When the first sound the microphone delivered was captured, and the time of the first
    // picture, in ms on the recording's time line; a device may start capturing late. -1 while
    // there is none.
    double FirstSoundCaptured();
    int FirstPictureTime() const { return m_nFirstVideo; }

    // The frame period's sleep: 1000 / fps for 1 to 25 frames per second, else 200 ms.
    static int Interval(int fps);
    // At least three characters ending in ".ts" in any letter case.
    static bool IsTransportStreamPath(const char* path);

private:
    void NotifyWriteError();
    // Sleeps up to ms, waking early when the stop or pause flag changes.
    void Nap(int ms, int paused);
    // Puts an encoded picture of time ts into the hold and writes what is in order; takes over the
    // frame's reference.
    void PutPicture(TVideoFrameBuffer* frame, int ts);
    // Writes the held pictures and the queued sound in time order, as far as the rules of the hold
    // allow; at the end (soundUntil given) everything held, and the sound up to soundUntil. The
    // caller holds the writer lock.
    void Interleave(bool end, int soundUntil);
    // The time of the next queued AAC frame, taken into the pending frame; false when none.
    bool PeekAudio(int* stamp);
    void WriteAudioFrame(int stamp);
    void WritePicture();
    // The first failed write ends all writing; it is logged, and posted while the recording runs.
    void OnWriteFailure(const char* line);
    void DrainVideoEncoder();
    // After the last picture: stops the microphone once it has captured up to the stop, encodes
    // what it held and what the encoder holds, writes everything held with the sound up to the
    // stop, and closes the file.
    void FinishFile(int stopTime);
    // The recording time up to which the device has captured sound, by what it delivered and
    // what it holds.
    double CapturedUntil();
    // Gives the frames of one encoded buffer their times and queues them; releases encoded.
    void QueueStamped(TAudioBuffer* encoded);
    // Encodes and queues the samples of one wave buffer.
    void TakeAudio(WAVEHDR* header);

    HPEN m_hRedPen;
    HPEN m_hBluePen;
    HBRUSH m_hHollowBrush; // stock object
    HWND m_hNotify = NULL;
    volatile int m_bStop = 0;
    volatile int m_bPausedNow = 0; // the recording thread's, read by the owner
    TCriticalSection m_writerLock;
    MediaStream* m_pWriter = NULL;
    ScreenWin* m_pScreen = NULL;
    TVideoEncoder m_video;
    TAudioEncoder m_audio;
    CRecordChannel m_channel;
    TAudioQueue m_queue;
    TRecordingClock m_clock;
    TAudioStamper m_stamper;     // the delivery thread's, then the recording thread's
    unsigned m_nRate = 0;        // sample rate, 0 without sound
    unsigned m_nBlockAlign = 0;  // bytes per sample of all channels
    TCriticalSection m_captureLock; // the three below
    uint64_t m_nDelivered = 0;   // samples (a channel) the device delivered so far
    double m_deliveredEnd = 0;   // when the last sample delivered was captured, ms since the start
    double m_firstCaptured = -1; // when the first sample delivered was captured, ms since the start
    int m_nFirstVideo = -1;      // time of the first picture written, which the writers take as 0
    int m_nLastAudio = 0;        // the last sound time given to the writer, relative to that
    TPictureHold m_held;
    int m_nLastPicture = -1;     // the time of the last picture written
    bool m_bEnding = false;      // the recording thread has left its loop
    bool m_bWriteFailed = false; // a write failed: nothing more is written
    // The frame taken from the queue but not yet due.
    uint8_t m_pendingFrame[TAudioQueue::kFrameTarget];
    int m_nPendingSize = 0;
};

// The worker constructed last; the microphone callback reaches its worker through it.
extern TWorker* g_pWorker;
