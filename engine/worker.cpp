#include "engine/worker.h"

#include <string.h>

#include "foundation/debug_log.h"
#include "media/media_file_writer.h"
#include "media/media_info.h"

TWorker* g_pWorker = NULL;

namespace {

const DWORD kStopWaitMs = 4000;
const int kPauseSleepMs = 200;
const int kMarkerRadius = 15;

} // namespace

TWorker::TWorker()
    : TThread(this), m_hRedPen(CreatePen(PS_SOLID, 3, RGB(255, 0, 0))),
      m_hBluePen(CreatePen(PS_SOLID, 3, RGB(0, 0, 255))),
      m_hHollowBrush((HBRUSH)GetStockObject(NULL_BRUSH)), m_writerLock(2000)
{
    g_pWorker = this;
}

TWorker::~TWorker()
{
    DebugLog(LOG_ERROR, __FILE__, __LINE__, "~TWorker");
    m_bStop = 1;
    if (thread && GetCurrentThreadId() != threadId) {
        // The thread ends by itself once it sees the flag: it finishes its pass and drains the
        // encoder. Nothing below may go away under it, so the wait goes on past the usual limit.
        if (WaitForSingleObject(thread, kStopWaitMs) == WAIT_TIMEOUT)
            WaitForSingleObject(thread, INFINITE);
    }
    DeleteObject(m_hRedPen);
    DeleteObject(m_hBluePen);
    // No callback comes after this, so the queue and the audio encoder may go.
    m_channel.Close();
    if (m_pScreen)
        m_pScreen->Release();
    m_pScreen = NULL;
    // Finishes the file (the FLV writer patches the duration).
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
    info.fps = (uint16_t)m_nFps;

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

void TWorker::NotifyWriteError()
{
    if (m_hNotify)
        PostMessageW(m_hNotify, WM_COMMAND, IDCANCEL, 0);
}

int TWorker::Run()
{
    DWORD start = GetTickCount();
    unsigned last = 0;
    const int interval = Interval(m_nFps);
    const unsigned frameMs = m_queue.frameDuration;

    while (!m_bStop) {
        if (m_bPaused) {
            // The clock moves on with the pause, so the video continues where it stood.
            Sleep(kPauseSleepMs);
            start += kPauseSleepMs;
            continue;
        }
        if (void* pixels = m_pScreen->Capture()) {
            int ts = (int)(GetTickCount() - start);
            if (TVideoFrameBuffer* frame = m_video.Encode((const uint8_t*)pixels, &ts)) {
                TAutoLock hold(m_writerLock);
                if (m_pWriter->WriteVideo(frame->data, frame->length, 0, (unsigned)ts, NULL) != 0) {
                    NotifyWriteError();
                    DebugLog(LOG_ERROR, __FILE__, __LINE__, "Can't write video frame....");
                }
                frame->Release();
                DrainAudio((unsigned)ts, last, frameMs);
            }
        }
        m_pScreen->ReleaseFrame();
        // The pass's own time is not subtracted: the frame period is the interval plus the pass.
        Sleep(interval);
    }
    DrainVideoEncoder(last, frameMs);
    return 0;
}

void TWorker::DrainVideoEncoder(unsigned& last, unsigned frameMs)
{
    // A flushing call may bring nothing out while the library's threads catch up; only a long run
    // of such calls means it is stuck (it reports errors the same way), and that ends the drain.
    const int kMaxEmptyCalls = 1000;
    int empty = 0;
    while (x264_encoder_delayed_frames(m_video.encoder) > 0 && empty < kMaxEmptyCalls) {
        int ts = 0;
        TVideoFrameBuffer* frame = m_video.Encode(NULL, &ts);
        if (!frame) {
            ++empty;
            continue;
        }
        empty = 0;
        TAutoLock hold(m_writerLock);
        const int result = m_pWriter->WriteVideo(frame->data, frame->length, 0, (unsigned)ts, NULL);
        frame->Release();
        if (result != 0)
            return;
        DrainAudio((unsigned)ts, last, frameMs);
    }
}

void TWorker::DrainAudio(unsigned ts, unsigned& last, unsigned frameMs)
{
    if (frameMs == 0)
        return;
    // Rounded up, with the frame duration rounded down: at least as many frames fall due as the
    // microphone makes in the same time.
    const unsigned due = (frameMs - last + ts - 1) / frameMs;
    last = ts;
    for (unsigned i = 0; i < due; ++i) {
        uint8_t frame[TAudioQueue::kFrameTarget];
        int size;
        {
            TAutoLock hold(m_queue.Lock());
            size = m_queue.PopFrame(frame);
        }
        if (size <= 0)
            return;
        // The writer takes the frame without its 2-byte length and stamps it from its own clock.
        if (m_pWriter->WriteAudio(frame + 2, (unsigned)size - 2, 0) != 0) {
            NotifyWriteError();
            DebugLog(LOG_ERROR, __FILE__, __LINE__, "Can't write audio frame....");
        }
    }
}

void TWorker::OnFrame(HDC frame)
{
    // While the user draws on the screen, clicks leave no markers.
    if (m_pCanvas && *m_pCanvas && IsWindow(*m_pCanvas))
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
    if (!worker || worker->m_bPaused)
        return 0;
    if (TAudioBuffer* buffer = worker->m_audio.Encode(header->lpData, header->dwBytesRecorded)) {
        // A refused push drops the buffer; the queue logs why.
        worker->m_queue.Push(buffer);
        buffer->Release();
    }
    return 0;
}
