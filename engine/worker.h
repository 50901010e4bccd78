// One recording from start to the finished file: the grabber, the two encoders, the microphone and
// the writer, and the recording thread that paces the frames and writes both streams.
//
// Threads: construction, Start, Stop, the pause flag and destruction on the user-interface thread;
// Run and OnFrame on the recording thread; OnAudioData on the microphone channel's delivery thread.
// Locks: the writer lock around each group of writes on the recording thread, and inside it the
// queue lock around each frame taken; writer lock, then queue lock, never the reverse.
#pragma once
#include <windows.h>

#include "engine/audio_channel.h"
#include "engine/audio_encoder.h"
#include "engine/audio_queue.h"
#include "engine/audio_settings.h"
#include "engine/auto_lock.h"
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
    // WM_COMMAND IDCANCEL for every failed write; processes is a zero-terminated process-id list
    // for an application recording, or null. FALSE when the grabber, an encoder or the microphone
    // cannot be opened or the thread cannot be created; a failed microphone open leaves its error
    // code with bit 31 set as the thread's last error.
    BOOL Start(const TRefString<char>& path, const TAudioSettings* settings, HWND notify,
               const DWORD* processes);
    // Sets the stop flag and waits at most 4000 ms for the thread; TRUE when it ended in time.
    // FALSE on time-out, without a thread, or on the recording thread itself.
    BOOL Stop() override;

    int Run() override;
    void OnFrame(HDC frame) override;
    // The microphone's data callback: encodes one buffer and queues it, or drops it while paused.
    static int OnAudioData(void* context, WAVEHDR* header);

    // Set by the owner before Start.
    int m_nFps = 0;
    int m_nQuality = 55;        // 0 to 100
    const RECT* m_pRegion = NULL; // screen rectangle to record, or null for the primary screen
    // The annotation canvas's window handle (null while it has no window): no click markers while
    // the canvas exists.
    const HWND* m_pCanvas = NULL;

    // Toggled by the owner; read by the recording thread and the microphone callback.
    volatile int m_bPaused = 0;

    // The frame period's sleep: 1000 / fps for 1 to 25 frames per second, else 200 ms.
    static int Interval(int fps);
    // At least three characters ending in ".ts" in any letter case.
    static bool IsTransportStreamPath(const char* path);

private:
    void NotifyWriteError();
    // Writes the AAC frames that have fallen due by video time ts; the caller holds the writer
    // lock.
    void DrainAudio(unsigned ts, unsigned& last, unsigned frameMs);
    void DrainVideoEncoder(unsigned& last, unsigned frameMs);

    HPEN m_hRedPen;
    HPEN m_hBluePen;
    HBRUSH m_hHollowBrush; // stock object
    HWND m_hNotify = NULL;
    volatile int m_bStop = 0;
    TCriticalSection m_writerLock;
    MediaStream* m_pWriter = NULL;
    ScreenWin* m_pScreen = NULL;
    TVideoEncoder m_video;
    TAudioEncoder m_audio;
    CRecordChannel m_channel;
    TAudioQueue m_queue;
};

// The worker constructed last; the microphone callback reaches its worker through it.
extern TWorker* g_pWorker;
