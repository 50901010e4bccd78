#include "engine/audio_channel.h"

#include <stdlib.h>
#include <string.h>

#include "foundation/debug_log.h"

CAudioChannel::CAudioChannel()
{
    InitializeCriticalSection(&m_pendingLock);
    m_hWake = CreateEventW(NULL, FALSE, FALSE, NULL);
}

CAudioChannel::~CAudioChannel()
{
    StopDelivery();
    FreeBuffers();
    if (m_hWake)
        CloseHandle(m_hWake);
    DeleteCriticalSection(&m_pendingLock);
}

void CAudioChannel::FreeBuffers()
{
    for (WAVEHDR*& buffer : m_pBuffers) {
        free(buffer);
        buffer = NULL;
    }
}

void CALLBACK CAudioChannel::WaveInProc(HWAVEIN, UINT message, DWORD_PTR instance,
                                        DWORD_PTR parameter1, DWORD_PTR)
{
    if (message != WIM_DATA)
        return;
    CAudioChannel* channel = (CAudioChannel*)instance;
    WAVEHDR* header = (WAVEHDR*)parameter1;
    // The stop flag first: buffers returned by the reset in Close may be freed right after it.
    if (channel->m_bStop || !(header->dwFlags & WHDR_DONE))
        return;
    // When the buffer came back: the owner works out when its sound was captured.
    header->dwUser = GetTickCount();
    channel->Push(header);
}

void CAudioChannel::Push(WAVEHDR* header)
{
    EnterCriticalSection(&m_pendingLock);
    if (m_pendingCount < kBufferCount) {
        m_pending[(m_pendingHead + m_pendingCount) % kBufferCount] = header;
        ++m_pendingCount;
    }
    LeaveCriticalSection(&m_pendingLock);
    SetEvent(m_hWake);
}

WAVEHDR* CAudioChannel::Pop()
{
    WAVEHDR* header = NULL;
    EnterCriticalSection(&m_pendingLock);
    if (m_pendingCount > 0) {
        header = m_pending[m_pendingHead];
        m_pendingHead = (m_pendingHead + 1) % kBufferCount;
        --m_pendingCount;
    }
    LeaveCriticalSection(&m_pendingLock);
    return header;
}

DWORD WINAPI CAudioChannel::DeliveryProc(LPVOID channel)
{
    ((CAudioChannel*)channel)->Deliver();
    return 0;
}

void CAudioChannel::Deliver()
{
    for (;;) {
        WaitForSingleObject(m_hWake, INFINITE);
        while (WAVEHDR* header = Pop()) {
            // A buffer filled before the stop but not yet delivered leaves the rotation too.
            if (m_bStop)
                continue;
            InterlockedExchange(&m_bDelivering, 1);
            if (m_pfnData && !m_bStop)
                m_pfnData(NULL, header);
            InterlockedExchange(&m_bDelivering, 0);
            if (!m_bStop)
                waveInAddBuffer(m_hDevice, header, sizeof(WAVEHDR));
        }
        if (m_bQuit)
            return;
    }
}

BOOL CAudioChannel::StartDelivery()
{
    if (m_hDelivery)
        return TRUE;
    if (!m_hWake)
        return FALSE;
    m_bQuit = 0;
    m_hDelivery = CreateThread(NULL, 0, DeliveryProc, this, 0, NULL);
    return m_hDelivery != NULL;
}

void CAudioChannel::StopDelivery()
{
    if (m_hDelivery) {
        InterlockedExchange(&m_bQuit, 1);
        SetEvent(m_hWake);
        WaitForSingleObject(m_hDelivery, INFINITE);
        CloseHandle(m_hDelivery);
        m_hDelivery = NULL;
    }
    EnterCriticalSection(&m_pendingLock);
    m_pendingHead = m_pendingCount = 0;
    LeaveCriticalSection(&m_pendingLock);
}

CRecordChannel::~CRecordChannel()
{
    Close();
}

int CRecordChannel::Open(int device, int channels, int rate, int, int bytesPerBuffer)
{
    DWORD pendingError = GetLastError();
    Close();

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = (WORD)channels;
    format.nSamplesPerSec = (DWORD)rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = (WORD)(channels * 2);
    format.nAvgBytesPerSec = (DWORD)(channels * 2 * rate);
    format.cbSize = 0;

    MMRESULT error = waveInOpen(&m_hDevice, (UINT)device, &format, (DWORD_PTR)WaveInProc,
                                (DWORD_PTR)this, CALLBACK_FUNCTION);
    if (error != MMSYSERR_NOERROR) {
        m_hDevice = NULL;
        DebugLog(LOG_INFO, __FILE__, __LINE__, "Failed to open record channel. err=%d", (int)error);
        // The owner reports the failure through the last error; one already pending wins.
        SetLastError(pendingError ? pendingError : (DWORD)error | 0x80000000u);
        return kOpenFailed;
    }

    for (WAVEHDR*& buffer : m_pBuffers) {
        buffer = (WAVEHDR*)malloc(sizeof(WAVEHDR) + bytesPerBuffer);
        if (!buffer)
            return kPrepareFailed;
        memset(buffer, 0, sizeof(WAVEHDR));
        buffer->lpData = (LPSTR)(buffer + 1);
        buffer->dwBufferLength = (DWORD)bytesPerBuffer;
        if (waveInPrepareHeader(m_hDevice, buffer, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            return kPrepareFailed;
    }
    return 0;
}

int CRecordChannel::Start()
{
    InterlockedExchange(&m_bStop, 0);
    bool queued = StartDelivery() != FALSE;
    for (int i = 0; queued && i < kBufferCount; ++i)
        queued = m_pBuffers[i] && waveInAddBuffer(m_hDevice, m_pBuffers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    if (!queued) {
        InterlockedExchange(&m_bStop, 1);
        if (m_hDevice)
            waveInReset(m_hDevice);
        return kQueueFailed;
    }
    return waveInStart(m_hDevice) == MMSYSERR_NOERROR ? 0 : kStartFailed;
}

bool CAudioChannel::DeliveryIdle()
{
    EnterCriticalSection(&m_pendingLock);
    bool idle = m_pendingCount == 0 && !m_bDelivering;
    LeaveCriticalSection(&m_pendingLock);
    for (WAVEHDR* buffer : m_pBuffers)
        idle = idle && !(buffer && (buffer->dwFlags & WHDR_DONE) && !(buffer->dwFlags & WHDR_INQUEUE));
    return idle;
}

BOOL CAudioChannel::GetPosition(DWORD* samples)
{
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (!m_hDevice || waveInGetPosition(m_hDevice, &time, sizeof time) != MMSYSERR_NOERROR ||
        time.wType != TIME_SAMPLES)
        return FALSE;
    *samples = time.u.sample;
    return TRUE;
}

void CRecordChannel::StopCapture(DWORD waitMs)
{
    if (!m_hDevice || m_bStop)
        return;
    // The device hands the buffer it was filling back with what it holds.
    waveInStop(m_hDevice);
    const DWORD start = GetTickCount();
    for (;;) {
        if (DeliveryIdle() || GetTickCount() - start >= waitMs)
            break;
        Sleep(5);
    }
    InterlockedExchange(&m_bStop, 1);
    // A callback that began before the flag finishes before the owner goes on, however long it
    // takes: the owner then uses what the callback used.
    while (InCallback())
        Sleep(1);
}

void CRecordChannel::Close()
{
    InterlockedExchange(&m_bStop, 1);
    // The delivery thread finishes the callback it runs before the buffers go away.
    StopDelivery();
    if (!m_hDevice)
        return;
    waveInReset(m_hDevice);
    for (WAVEHDR*& buffer : m_pBuffers) {
        if (!buffer)
            continue;
        waveInUnprepareHeader(m_hDevice, buffer, sizeof(WAVEHDR));
        free(buffer);
        buffer = NULL;
    }
    waveInClose(m_hDevice);
    m_hDevice = NULL;
}

int CRecordChannel::EnumDevices(HWND comboBox)
{
    int count = 0;
    WAVEINCAPSW caps;
    while (waveInGetDevCapsW((UINT_PTR)count, &caps, sizeof(caps)) == MMSYSERR_NOERROR) {
        SendMessageW(comboBox, CB_ADDSTRING, 0, (LPARAM)caps.szPname);
        ++count;
    }
    return count;
}
