// A whole file mapped read-only into memory, for the picture loaders that read pixels in place.
#pragma once
#include <windows.h>
#include <stddef.h>

class TMappedFile {
public:
    TMappedFile() = default;
    ~TMappedFile() { Close(); }

    // Opens path with read sharing and maps all of it; false (nothing held) on any failure,
    // an empty file included (it cannot be mapped).
    bool Open(const wchar_t* path);
    void Close();

    const BYTE* data = NULL;
    size_t size = 0;

private:
    HANDLE mapping = NULL;

    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;
};
