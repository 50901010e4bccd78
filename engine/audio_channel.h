// Microphone capture through wave input: twenty rotating buffers of 16-bit PCM, each passed to the
// owner's data callback in the order the device filled them and then handed back to the device.
// Each buffer's dwUser holds the GetTickCount at which the device handed it over.
//
// Threads: Open, Start, Close and EnumDevices on the user-interface thread. WaveInProc runs in the
// platform's wave-input callback context, where only a few system calls are allowed; it only hands
// the filled buffer to the channel's delivery thread, which runs the data callback and queues the
// buffer again. Close must not be called from the data callback.
#pragma once
#include <windows.h>
#include <mmsystem.h>

// The owner's handler of one filled buffer (dwBytesRecorded bytes of sound); the context is always
// null. Runs on the channel's delivery thread.
typedef int (*AudioDataCallback)(void* context, WAVEHDR* header);

class CAudioChannel {
public:
    enum { kBufferCount = 20 };

    CAudioChannel();
    // Frees every buffer still allocated; the derived class has closed the device by then.
    virtual ~CAudioChannel();
    virtual void Close() = 0;

    // Given to waveInOpen with the channel as the instance value.
    static void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance,
                                    DWORD_PTR parameter1, DWORD_PTR parameter2);

    // Installed by the owner between Open and Start; null delivers nothing.
    AudioDataCallback m_pfnData = NULL;

    // Samples (a channel) the device has captured since it started; FALSE when it cannot tell.
    BOOL GetPosition(DWORD* samples);

protected:
    // Starts the delivery thread unless it runs; FALSE when it cannot be created.
    BOOL StartDelivery();
    // Ends the delivery thread after the callback it is running, and forgets undelivered buffers.
    void StopDelivery();
    void FreeBuffers();
    // No buffer waits for the delivery thread or is in its callback, and none the device handed
    // back is still out of its hands.
    bool DeliveryIdle();
    // Whether the delivery thread is inside the data callback.
    bool InCallback() const { return m_bDelivering != 0; }

    volatile LONG m_bStop = 1; // the callbacks do nothing while it is set
    WAVEHDR* m_pBuffers[kBufferCount] = {}; // header and data in one block each
    HWAVEIN m_hDevice = NULL;

private:
    static DWORD WINAPI DeliveryProc(LPVOID channel);
    void Deliver();
    void Push(WAVEHDR* header);
    WAVEHDR* Pop();

    // Filled buffers waiting for the delivery thread, oldest first. Each buffer is in it at most
    // once, so it never holds more than kBufferCount.
    CRITICAL_SECTION m_pendingLock;
    WAVEHDR* m_pending[kBufferCount] = {};
    int m_pendingHead = 0;
    int m_pendingCount = 0;
    HANDLE m_hWake = NULL;     // auto-reset: set for every push and to end the thread
    HANDLE m_hDelivery = NULL; // the delivery thread, or null
    volatile LONG m_bQuit = 0;
    volatile LONG m_bDelivering = 0; // the delivery thread is running the callback

    CAudioChannel(const CAudioChannel&) = delete;
    CAudioChannel& operator=(const CAudioChannel&) = delete;
};

class CRecordChannel : public CAudioChannel {
public:
    enum {
        kOpenFailed = 1,    // Open: waveInOpen refused
        kPrepareFailed = 2, // Open: a buffer could not be made or prepared
        kQueueFailed = 1,   // Start: a buffer could not be handed to the device
        kStartFailed = 2,   // Start: waveInStart refused
    };

    CRecordChannel() = default;
    ~CRecordChannel() override;

    // Device -1 is the wave mapper. The samples are 16-bit whatever bits says. 0 on success. When
    // the device cannot be opened, the thread's last error becomes the wave error with bit 31 set,
    // unless it held an error already when Open was called.
    int Open(int device, int channels, int rate, int bits, int bytesPerBuffer);
    // 0 on success.
    int Start();
    // Ends the capture and delivers what the device had captured, the partly filled buffer
    // included, before it returns (waiting at most waitMs); the data callback is not called
    // afterwards. Close still follows.
    void StopCapture(DWORD waitMs);
    // Stops and closes; any number of times, in any state.
    void Close() override;

    // Appends each wave-input device's name to the combo box, by device number; returns how many.
    static int EnumDevices(HWND comboBox);
};
