#include "app/file_naming.h"

BOOL FileExists(const wchar_t* path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(search);
    return TRUE;
}

static const int kLastNumber = 99999;

BOOL MakeDefaultFileName(const wchar_t* folder, wchar_t* buffer, const wchar_t* stem,
                         const wchar_t* extension)
{
    buffer[0] = 0;
    FwString candidate;
    for (int n = 1; n <= kLastNumber; ++n) {
        candidate.Format(L"%ls\\%ls%u.%ls", folder, stem, (unsigned)n, extension);
        // Longer numbers only make longer names: once one does not fit, none after it will.
        if (candidate.Length() >= MAX_PATH) {
            buffer[0] = 0;
            return FALSE;
        }
        wcscpy(buffer, candidate);
        if (!FileExists(buffer))
            return TRUE;
    }
    return FALSE;
}

static bool IsContainerExtension(const FwString& extension)
{
    return extension.CompareNoCaseAscii(L".flv") == 0 || extension.CompareNoCaseAscii(L".ts") == 0;
}

void FixFileExtension(FwString& path)
{
    int dot = path.ReverseFind(L'.');
    if (dot > 0 && IsContainerExtension(path.Mid(dot)))
        return;
    path += L".flv";
}

FwString MakeUniqueFileName(const wchar_t* path, const wchar_t* extension)
{
    FwString whole(path);
    int dot = whole.ReverseFind(L'.');
    if (dot <= 0) {
        FwString result(whole);
        result += L".";
        result += extension;
        return result;
    }
    FwString stem = whole.Left(dot);
    FwString tail = whole.Mid(dot);
    int keep = stem.Length();
    while (keep > 0 && stem[keep - 1] >= L'0' && stem[keep - 1] <= L'9')
        --keep;
    stem.Truncate(keep);
    FwString candidate;
    for (int n = 1; n <= kLastNumber; ++n) {
        candidate.Format(L"%ls%d%ls", stem.Text(), n, tail.Text());
        if (!FileExists(candidate))
            return candidate;
    }
    return FwString();
}
