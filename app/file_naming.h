// The names of the recordings: the default numbered name in a folder, the container extension,
// and a free variant of a taken name. User-interface thread.
#pragma once
#include <windows.h>
#include "framework/wide_string.h"

// TRUE when the file-system search finds an entry (file or folder) for path; wildcards act as
// patterns. A path that cannot be searched counts as free.
BOOL FileExists(const wchar_t* path);

// Writes "<folder>\<stem><N>.<extension>" for the first N from 1 to 99999 that is free into
// buffer (MAX_PATH characters, terminator included) and returns TRUE. FALSE when every candidate
// exists: the buffer then holds the one with N = 99999. A candidate too long for the buffer is
// never written in part: when the first free name does not fit (a very long folder), the buffer
// is left empty and the result is FALSE.
BOOL MakeDefaultFileName(const wchar_t* folder, wchar_t* buffer, const wchar_t* stem,
                         const wchar_t* extension);

// Appends ".flv" unless path ends in ".flv" or ".ts" (any letter case) after a dot that is not
// its first character. An existing extension is never replaced.
void FixFileExtension(FwString& path);

// The first free "<stem><N><.ext>" for N from 1 to 99999, where the stem loses its trailing
// digits; empty when all are taken. A path without a dot (or only one at the start) gives the
// path, a dot and extension, without looking at the disk.
FwString MakeUniqueFileName(const wchar_t* path, const wchar_t* extension);
