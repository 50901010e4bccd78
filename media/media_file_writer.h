// A container writer with its output file: the writer's bytes go straight to the C runtime stream.
// A write that fails leaves nothing of itself in the file, and a file whose writes failed is cut
// back to the end of its last whole tag or PES when it is closed, so that it reads to its end.
#pragma once
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include "foundation/debug_log.h"
#include "foundation/text_convert.h"
#include "media/flv_package.h"
#include "media/mpeg_ts.h"

// What a writer does to a file before it is closed: the FLV writer flushes its buffer and patches
// the duration; the transport stream writer keeps nothing back.
inline void FinishFile(Flv_Package& stream, FILE* file)
{
    stream.Finish(file);
}
inline void FinishFile(Mpeg_TS&, FILE*) {}

template <class Stream>
class MediaFileWriter : public Stream {
public:
    MediaFileWriter() : file(NULL), ownsFile(1) {}
    ~MediaFileWriter() override { CloseFile(); }

    // Creates or truncates the file at path (UTF-8), finishing and closing a file already open.
    // 1 when the file is open, 0 when not.
    int OpenFile(const char* path)
    {
        CloseFile();
        ownsFile = 1;
        failed = 0;
        // The path is UTF-8, which the narrow fopen would read in the ANSI code page.
        wchar_t* widePath = Utf8ToWide(path);
        file = widePath ? _wfopen(widePath, L"wb") : NULL;
        free(widePath);
        if (!file) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "Can't open %s", path ? path : "");
            failed = 1;
            return 0;
        }
        // Unbuffered, so that a write the system refuses (a full disk) fails in the call that made
        // it instead of being accepted into the C runtime's buffer and lost at close.
        setvbuf(file, NULL, _IONBF, 0);
        return 1;
    }

    int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) override
    {
        if (!file) {
            failed = 1;
            return -1;
        }
        const __int64 start = _ftelli64(file);
        if (fwrite(head, headLen, 1, file) != 1) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "write file error");
            return Refused(start);
        }
        if (body && bodyLen && fwrite(body, bodyLen, 1, file) != 1) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "write file error2");
            return Refused(start);
        }
        return 0;
    }

    // Finishes and closes the file; 0 when every write to it succeeded, -1 when one failed (the
    // finishing flush included) or it could not be opened.
    int Close() override
    {
        CloseFile();
        return failed ? -1 : 0;
    }

private:
    void CloseFile()
    {
        if (!file)
            return;
        FinishFile(*this, file);
        if (failed)
            Cut(this->WholeEnd());
        if (ownsFile)
            fclose(file);
        file = NULL;
    }

    // A write the system refused part-way (a full disk) is taken out again, so the file holds
    // exactly the writes that succeeded and the writer may go on from there.
    int Refused(__int64 start)
    {
        failed = 1;
        if (start >= 0)
            Cut(uint64_t(start));
        return -1;
    }

    // Shortens the file to size and goes on writing there. Shortening frees space and needs none.
    // The writes only append, so the position is the file's end; a device such as the null or
    // full device never moves and has nothing to cut.
    void Cut(uint64_t size)
    {
        fflush(file);
        clearerr(file);
        if (_ftelli64(file) <= (__int64)size)
            return;
        if (_chsize_s(_fileno(file), (__int64)size) != 0)
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "Can't cut the file back");
        _fseeki64(file, (__int64)size, SEEK_SET);
    }

    FILE* file;
    int ownsFile; // the writer closes the file itself
    int failed = 0; // a write to the file failed, or it could not be opened
};
