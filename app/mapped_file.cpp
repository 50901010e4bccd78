#include "app/mapped_file.h"

bool TMappedFile::Open(const wchar_t* path)
{
    Close();
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length;
    BOOL sized = GetFileSizeEx(file, &length);
    mapping = sized ? CreateFileMappingW(file, NULL, PAGE_READONLY, 0, 0, NULL) : NULL;
    // The mapping keeps the file open; its handle is no longer needed.
    CloseHandle(file);
    if (!mapping || length.QuadPart <= 0 || (unsigned long long)length.QuadPart > SIZE_MAX) {
        Close();
        return false;
    }
    data = (const BYTE*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!data) {
        Close();
        return false;
    }
    size = (size_t)length.QuadPart;
    return true;
}

void TMappedFile::Close()
{
    if (data)
        UnmapViewOfFile(data);
    if (mapping)
        CloseHandle(mapping);
    data = NULL;
    size = 0;
    mapping = NULL;
}
