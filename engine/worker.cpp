#include "engine/worker.h"

#include <string.h>

#include "foundation/debug_log.h"
#include "media/media_file_writer.h"
#include "media/media_info.h"

TWorker* g_pWorker = NULL;

namespace {

const DWORD kStopWaitMs = 4000;
const int kPauseSleepMs = 200;
const int kNapSliceMs = 10;
const int kMarkerRadius = 15;
// How far the sample count may stray from the capture times before the sound is set back to
// them: wider than the jitter of the times the device reports, well inside what a viewer notices.
const double kAudioToleranceMs = 70;
// At the stop, how long the device may take to hand over the sound captured up to it.
const DWORD kStopAudioWaitMs = 1500;
const DWORD kStopCaptureWaitMs = 500;
// Each frame in the queue carries its time behind the length prefix.
const unsigned kStampBytes = 4;
// How long a picture waits for the sound of its time: the device hands over half a second of
// sound at a time, a little after the last of it was captured.
const int kHoldMs = 1000;

void PutBe32(uint8_t* p, uint32_t v)
{
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

uint32_t GetBe32(const uint8_t* p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

} // namespace

TWorker::TWorker()
    : TThread(this), m_hRedPen(CreatePen(PS_SOLID, 3, RGB(255, 0, 0))),
      m_hBluePen(CreatePen(PS_SOLID, 3, RGB(0, 0, 255))),
      m_hHollowBrush((HBRUSH)GetStockObject(NULL_BRUSH)), m_writerLock(2000), m_captureLock(0)
{
    g_pWorker = this;
}

TWorker::~TWorker()
{
    DebugLog(LOG_ERROR, __FILE__, __LINE__, "~TWorker");
    m_bStop = 1;
    // The thread ends by itself once it sees the flag: it finishes its pass, drains the encoder
    // and closes the file. Nothing below may go away under it.
    WaitForEnd();
    DeleteObject(m_hRedPen);
    DeleteObject(m_hBluePen);
    // No callback comes after this, so the queue and the audio encoder may go.
    m_channel.Close();
    if (m_pScreen)
        m_pScreen->Release();
    m_pScreen = NULL;
    // The recording thread closed the file; without one, this finishes it.
    delete m_pWriter;
    m_pWriter = NULL;
    InvalidateRect(NULL, NULL, TRUE);
    DebugLog(LOG_ERROR, __FILE__, __LINE__, "~TWorker end");
    // The members go in reverse order: queue, channel, audio and video encoders, writer lock.
}

int TWorker::Interval(int fps)
{
    return fps >= 1 && fps <= 25 ? 1000 / fps : 200;
}

bool TWorker::IsTransportStreamPath(const char* path)
{
    size_t n = path ? strlen(path) : 0;
    if (n < 3)
        return false;
    const char* end = path + n - 3;
    return end[0] == '.' && (end[1] == 't' || end[1] == 'T') && (end[2] == 's' || end[2] == 'S');
}

BOOL TWorker::Start(const TRefString<char>& path, const TAudioSettings* settings, HWND notify,
                    const DWORD* processes)
{
    const int device = settings ? settings->device : -2;
    const int channels = settings ? settings->channels : 2;
    const int rate = settings ? settings->rate : 16000;

    MediaInfo info = {};
    info.flags = kMediaVideo;
    info.fps = 15;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = 16000;
    info.frameSamples = 0;

    // Once per worker: a second start would leak the first one's grabber and writer.
    if (m_pScreen || thread)
        return FALSE;
    m_hNotify = notify;
    m_bStop = 0;

    m_pScreen = new ScreenWin(this, 16);
    RECT area;
    if (m_pRegion)
        area = *m_pRegion;
    if (!m_pScreen->Open(0, NULL, 0, m_pRegion ? &area : NULL))
        return FALSE;
    m_pScreen->Control(ScreenWin::kClipNone, 0);
    m_pScreen->Control(ScreenWin::kSetProcesses, (INT_PTR)processes);
    ScreenFormat format;
    if (!m_pScreen->GetFormat(&format))
        return FALSE;

    const int q = 50 - m_nQuality / 2;
    if (!m_video.Open(format.width, format.height, q))
        return FALSE;

    if (device >= -1) {
        info.flags |= kMediaAudio;
        if (!m_audio.Open(rate, channels, 16) || m_audio.InputSamples() == 0)
            return FALSE;
        const uint32_t s = m_audio.InputSamples();
        // About half a second of sound per wave buffer, in whole AAC frames.
        const uint32_t bytes = ((uint32_t)channels * (uint32_t)rate * 500u / 1000u + s - 1) / s * s * 16u / 8u;
        // Everything before succeeded; a value left behind by those calls is no pending error,
        // and the owner reports the microphone's own code from the last error.
        SetLastError(0);
        if (m_channel.Open(device, channels, rate, 16, (int)bytes) != 0)
            return FALSE;
        info.channels = (uint8_t)channels;
        info.bitsPerSample = 16;
        info.sampleRate = (uint32_t)rate;
        info.frameSamples = s / (uint32_t)channels;
        m_queue.frameDuration = (s / (uint32_t)channels) * 1000u / (uint32_t)rate;
        m_nRate = (unsigned)rate;
        m_nBlockAlign = (unsigned)channels * 2;
        m_stamper.Open((unsigned)rate, s / (uint32_t)channels, TAudioEncoder::kSoundDelayFrames, kAudioToleranceMs);
    } else {
        m_queue.frameDuration = 0;
    }

    uint8_t headers[1024];
    const int headersLength = m_video.GetHeaders(headers, sizeof headers);
    // Without its configuration record the video stream cannot be described to any player.
    if (headersLength <= 0)
        return FALSE;
    info.avcConfig = headers;
    info.avcConfigSize = (uint16_t)headersLength;
    info.width = (uint16_t)format.width;
    info.height = (uint16_t)format.height;
    // The rate the pictures are paced at, so a stored rate the pacing does not follow describes
    // no stream the file does not hold.
    info.fps = (uint16_t)(1000 / Interval(m_nFps));

    const char* text = path.Get();
    if (IsTransportStreamPath(text)) {
        MediaFileWriter<Mpeg_TS>* writer = new MediaFileWriter<Mpeg_TS>;
        writer->OpenFile(text);
        m_pWriter = writer;
    } else {
        MediaFileWriter<Flv_Package>* writer = new MediaFileWriter<Flv_Package>;
        writer->OpenFile(text);
        m_pWriter = writer;
    }
    // A file that could not be created shows up as the first failed write.
    m_pWriter->Open(&info);

    // Sound captured from here on has a place on the time line.
    m_clock.Start(GetTickCount());
    if (device >= -1) {
        m_channel.m_pfnData = OnAudioData;
        m_channel.Start();
    }

    TThread::Start();
    return thread != NULL;
}

BOOL TWorker::Stop()
{
    m_bStop = 1;
    if (!thread || GetCurrentThreadId() == threadId)
        return FALSE;
    return WaitForSingleObject(thread, kStopWaitMs) != WAIT_TIMEOUT;
}

void TWorker::WaitForEnd()
{
    if (thread && GetCurrentThreadId() != threadId)
        WaitForSingleObject(thread, INFINITE);
}

void TWorker::NotifyWriteError()
{
    if (m_hNotify)
        PostMessageW(m_hNotify, WM_COMMAND, IDCANCEL, 0);
}

void TWorker::Nap(int ms, int paused)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const int left = ms - (int)(GetTickCount() - start);
        if (left <= 0 || m_bStop || (m_bPaused != 0) != (paused != 0))
            return;
        Sleep(left < kNapSliceMs ? left : kNapSliceMs);
    }
}

int TWorker::Run()
{
    const int interval = Interval(m_nFps);
    int paused = 0;

    while (!m_bStop) {
        if (m_bPaused) {
            // The time line stands still while paused, so the video continues where it stood
            // and the sound captured meanwhile is left out.
            if (!paused)
                m_clock.Pause(GetTickCount());
            paused = 1;
            m_bPausedNow = 1;
            Nap(kPauseSleepMs, 1);
            continue;
        }
        if (paused)
            m_clock.Resume(GetTickCount());
        paused = 0;
        m_bPausedNow = 0;
        // A picture is stamped when its grab began: a large screen takes tens of milliseconds.
        int ts = (int)m_clock.Now();
        if (void* pixels = m_pScreen->Capture()) {
            if (TVideoFrameBuffer* frame = m_video.Encode((const uint8_t*)pixels, &ts))
                PutPicture(frame, ts);
        }
        m_pScreen->ReleaseFrame();
        // The pass's own time is not subtracted: the frame period is the interval plus the pass.
        Nap(interval, 0);
    }
    const int stopTime = (int)m_clock.Now();
    m_bEnding = true;
    DrainVideoEncoder();
    FinishFile(stopTime);
    return 0;
}

void TWorker::DrainVideoEncoder()
{
    // A flushing call may bring nothing out while the library's threads catch up; only a long run
    // of such calls means it is stuck (it reports errors the same way), and that ends the drain.
    const int kMaxEmptyCalls = 1000;
    int empty = 0;
    while (!m_bWriteFailed && x264_encoder_delayed_frames(m_video.encoder) > 0 && empty < kMaxEmptyCalls) {
        int ts = 0;
        TVideoFrameBuffer* frame = m_video.Encode(NULL, &ts);
        if (!frame) {
            ++empty;
            continue;
        }
        empty = 0;
        PutPicture(frame, ts);
    }
}

void TWorker::PutPicture(TVideoFrameBuffer* frame, int ts)
{
    TAutoLock hold(m_writerLock);
    if (m_nFirstVideo < 0)
        m_nFirstVideo = ts;
    // A full hold gives up its oldest picture first, so it never holds more than its places.
    if (m_held.IsFull())
        WritePicture();
    m_held.Push(frame, ts);
    Interleave(false, 0);
}

void TWorker::OnWriteFailure(const char* line)
{
    if (m_bWriteFailed)
        return;
    // Whatever came after a lost picture could not be decoded, so nothing more is written and
    // the file ends on what went in whole.
    m_bWriteFailed = true;
    if (!m_bEnding)
        NotifyWriteError();
    DebugLog(LOG_ERROR, __FILE__, __LINE__, "%s", line);
}

void TWorker::WritePicture()
{
    TPictureHold::Held held = m_held.Take();
    if (!m_bWriteFailed &&
        m_pWriter->WriteVideo(held.frame->data, held.frame->length, 0, (unsigned)held.time, NULL) != 0)
        OnWriteFailure("Can't write video frame....");
    m_nLastPicture = held.time;
    held.frame->Release();
}

bool TWorker::PeekAudio(int* stamp)
{
    while (m_nPendingSize == 0 || m_nPendingSize < (int)(2 + kStampBytes)) {
        TAutoLock hold(m_queue.Lock());
        m_nPendingSize = m_queue.PopFrame(m_pendingFrame);
        if (m_nPendingSize <= 0) {
            m_nPendingSize = 0;
            return false;
        }
    }
    *stamp = (int)GetBe32(m_pendingFrame + 2);
    return true;
}

void TWorker::WriteAudioFrame(int stamp)
{
    // The writers count from the first picture; 0 would mean "no time given", and sound before
    // the first picture has no place in the file. Each frame's time lies after the one before.
    int relative = stamp - m_nFirstVideo;
    if (relative > 0 && m_nLastAudio > 0 && relative <= m_nLastAudio)
        relative = m_nLastAudio + 1;
    if (relative > 0 && !m_bWriteFailed) {
        m_nLastAudio = relative;
        if (m_pWriter->WriteAudio(m_pendingFrame + 2 + kStampBytes, (unsigned)m_nPendingSize - 2 - kStampBytes,
                                  (unsigned)relative) != 0)
            OnWriteFailure("Can't write audio frame....");
    }
    m_nPendingSize = 0;
}

void TWorker::Interleave(bool end, int soundUntil)
{
    const int now = (int)m_clock.Now();
    for (;;) {
        int stamp = 0;
        const bool sound = m_nFirstVideo >= 0 && PeekAudio(&stamp);
        // At the end, the sound after soundUntil is left out.
        const bool soundDue = sound && (!end || stamp <= soundUntil);
        if (!m_held.IsEmpty()) {
            const int picture = m_held.Oldest().time;
            if (soundDue && stamp <= picture) {
                WriteAudioFrame(stamp);
                continue;
            }
            // The sound up to the picture's time is in the file, or none is recorded, or it has
            // waited long enough.
            if (end || (sound && stamp > picture) || m_nRate == 0 || now - picture >= kHoldMs) {
                WritePicture();
                continue;
            }
            return;
        }
        // Nothing held: sound that came later than its pictures goes now, the rest waits for
        // the next picture (or the end).
        if (soundDue && (end || stamp <= m_nLastPicture)) {
            WriteAudioFrame(stamp);
            continue;
        }
        return;
    }
}

double TWorker::CapturedUntil()
{
    DWORD position = 0;
    const bool known = m_channel.GetPosition(&position) != FALSE;
    TAutoLock hold(m_captureLock);
    double since = m_deliveredEnd;
    // What the device holds in the buffer it is filling.
    if (known && m_nRate && (double)position > (double)m_nDelivered)
        since += ((double)position - (double)m_nDelivered) * 1000.0 / m_nRate;
    return m_clock.Recording(since);
}

double TWorker::FirstSoundCaptured()
{
    TAutoLock hold(m_captureLock);
    return m_nDelivered > 0 ? m_clock.Recording(m_firstCaptured) : -1;
}

void TWorker::FinishFile(int stopTime)
{
    if (m_nRate != 0) {
        // The device hands its sound over late; the sound up to the stop belongs to the recording.
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < kStopAudioWaitMs && m_nDelivered > 0 && CapturedUntil() < stopTime)
            Sleep(kNapSliceMs);
        // The partly filled buffer comes through the callback before this returns; after it the
        // callback runs no more and the encoder and the stamper are this thread's.
        m_channel.StopCapture(kStopCaptureWaitMs);
        QueueStamped(m_audio.Flush());
    }
    TAutoLock hold(m_writerLock);
    // The frames most of whose sound lies before the stop: the sound ends within half a frame of it.
    Interleave(true, stopTime - (int)(m_queue.frameDuration / 2));
    // The FLV writer's last bytes leave here, so the owner learns of their failure as well.
    if (m_pWriter->Close() != 0)
        OnWriteFailure("Can't finish the file....");
    if (m_nRate != 0)
        DebugLog(LOG_INFO, __FILE__, __LINE__, "Sound: %d resyncs, last drift %.1f ms", m_stamper.Resyncs(),
                 m_stamper.LastDrift());
}

void TWorker::OnFrame(HDC frame)
{
    // While the user draws on the screen, clicks leave no markers. The toolbar may clear the
    // pointer and the canvas its handle meanwhile, so each is read once.
    const HWND* canvasHandle = m_pCanvas;
    const HWND canvas = canvasHandle ? *(const volatile HWND*)canvasHandle : NULL;
    if (canvas && IsWindow(canvas))
        return;
    const bool left = GetAsyncKeyState(VK_LBUTTON) != 0;
    const bool right = GetAsyncKeyState(VK_RBUTTON) != 0;
    if (!left && !right)
        return;
    // The cursor of the previous capture, moved by the same origin the grabber subtracts.
    const int x = g_lastCursor.ptScreenPos.x - (m_pRegion ? m_pRegion->left : 0);
    const int y = g_lastCursor.ptScreenPos.y - (m_pRegion ? m_pRegion->top : 0);
    HGDIOBJ oldBrush = SelectObject(frame, m_hHollowBrush);
    HGDIOBJ oldPen = SelectObject(frame, left ? m_hRedPen : m_hBluePen);
    Ellipse(frame, x - kMarkerRadius, y - kMarkerRadius, x + kMarkerRadius, y + kMarkerRadius);
    SelectObject(frame, oldBrush);
    SelectObject(frame, oldPen);
}

int TWorker::OnAudioData(void*, WAVEHDR* header)
{
    TWorker* worker = g_pWorker;
    if (worker && worker->m_nRate)
        worker->TakeAudio(header);
    return 0;
}

void TWorker::TakeAudio(WAVEHDR* header)
{
    const unsigned count = header->dwBytesRecorded / m_nBlockAlign;
    if (count == 0)
        return;
    const double length = count * 1000.0 / m_nRate;
    // When the buffer's first sample was captured. The device's position tells how many samples
    // it has captured by now, so the buffer's samples lie that much further back. The moment of
    // the hand-over less the buffer's length says the same, only later by the callback's dispatch
    // (0 to 18 ms here, 5 on average); it serves when the device cannot tell its position.
    const double handed = m_clock.Since((DWORD)header->dwUser) - length;
    DWORD position = 0;
    const DWORD now = GetTickCount();
    double captured = handed;
    if (m_channel.GetPosition(&position) && position >= m_nDelivered + count)
        captured = m_clock.Since(now) - ((double)position - (double)m_nDelivered) * 1000.0 / m_nRate;

    // Only what was captured while recording; the rest of the buffer is left out.
    TRecordedSpan spans[8];
    const int n = m_clock.Recorded(captured, length, spans, 8);
    for (int i = 0; i < n; ++i) {
        unsigned first = (unsigned)((spans[i].since - captured) * m_nRate / 1000.0 + 0.5);
        unsigned last = (unsigned)((spans[i].since + spans[i].length - captured) * m_nRate / 1000.0 + 0.5);
        if (last > count)
            last = count;
        if (last <= first)
            continue;
        const int resyncs = m_stamper.Resyncs();
        m_stamper.Feed(last - first, spans[i].recording);
        if (m_stamper.Resyncs() != resyncs)
            DebugLog(LOG_INFO, __FILE__, __LINE__, "Sound set back to its capture time by %.1f ms",
                     m_stamper.LastDrift());
        QueueStamped(m_audio.EncodeFrames(header->lpData + first * m_nBlockAlign, (last - first) * m_nBlockAlign));
    }
    TAutoLock hold(m_captureLock);
    if (m_nDelivered == 0)
        m_firstCaptured = captured;
    m_nDelivered += count;
    m_deliveredEnd = captured + length;
}

void TWorker::QueueStamped(TAudioBuffer* encoded)
{
    if (!encoded)
        return;
    unsigned frames = 0;
    for (uint32_t at = 0; at + 2 <= encoded->length; at += 2 + (encoded->data[at] << 8 | encoded->data[at + 1]))
        ++frames;
    TAudioBuffer* stamped = TAudioBuffer::New<TAudioBuffer>(encoded->length + frames * kStampBytes);
    if (stamped) {
        uint64_t index = m_audio.FramesOut() - frames;
        uint8_t* out = stamped->data;
        for (uint32_t at = 0; at + 2 <= encoded->length; ++index) {
            const unsigned size = encoded->data[at] << 8 | encoded->data[at + 1];
            if (at + 2 + size > encoded->length)
                break;
            const double time = m_stamper.FrameTime(index);
            const unsigned withStamp = size + kStampBytes;
            out[0] = (uint8_t)(withStamp >> 8);
            out[1] = (uint8_t)withStamp;
            PutBe32(out + 2, (uint32_t)(int32_t)(time < 0 ? time - 0.5 : time + 0.5));
            memcpy(out + 2 + kStampBytes, encoded->data + at + 2, size);
            out += 2 + withStamp;
            at += 2 + size;
        }
        stamped->length = (uint32_t)(out - stamped->data);
        // A refused push drops the buffer; the queue logs why.
        m_queue.Push(stamped);
        stamped->Release();
    }
    encoded->Release();
}
