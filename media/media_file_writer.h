// A container writer with its output file: the writer's bytes go straight to the C runtime stream.
#pragma once
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
        // The path is UTF-8, which the narrow fopen would read in the ANSI code page.
        wchar_t* widePath = Utf8ToWide(path);
        file = widePath ? _wfopen(widePath, L"wb") : NULL;
        free(widePath);
        if (!file) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "Can't open %s", path ? path : "");
            return 0;
        }
        // Unbuffered, so that a write the system refuses (a full disk) fails in the call that made
        // it instead of being accepted into the C runtime's buffer and lost at close.
        setvbuf(file, NULL, _IONBF, 0);
        return 1;
    }

    int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) override
    {
        if (!file)
            return -1;
        if (fwrite(head, headLen, 1, file) != 1) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "write file error");
            return -1;
        }
        if (body && bodyLen && fwrite(body, bodyLen, 1, file) != 1) {
            DebugLog(LOG_ERROR, "media\\media_file_writer", __LINE__, "write file error2");
            return -1;
        }
        return 0;
    }

private:
    void CloseFile()
    {
        if (!file)
            return;
        FinishFile(*this, file);
        if (ownsFile)
            fclose(file);
        file = NULL;
    }

    FILE* file;
    int ownsFile; // the writer closes the file itself
};
