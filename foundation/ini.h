// The INI file model: sections of key/value entries, read from one buffer and parsed in place, so
// loaded names and values point into that buffer; names and values set later are heap copies.
// Names, keys and values are byte strings; only the blank (0x20) is white space, and names and keys
// compare without regard to ASCII case. Used on the user-interface thread only.
#pragma once
#include <stdio.h>
#include "foundation/array.h"

struct _InIEntry {
    char* name;   // the key
    char* value;  // may be NULL
};

class TInISection {
public:
    // buffer and bufferSize are the owning model's buffer at the moment the section is made; a
    // string inside [buffer, buffer + bufferSize] belongs to it, any other is a heap copy.
    TInISection(char* name, const char* buffer, unsigned bufferSize);
    ~TInISection();

    // Index of the first entry whose key equals key (ASCII case ignored), or -1.
    int FindEntry(const char* key) const;
    // The parser's insertion: an empty key is ignored; duplicates are kept.
    void AddEntry(const _InIEntry& entry);
    // Replaces the value of the first entry of that key, or appends a new entry; both copied.
    void SetValue(const char* key, const char* value);
    // "[name]" CR LF, then "key = value" CR LF for each entry.
    void Write(FILE* file) const;
    // The value bare, or quoted with backslashes before each backslash and double quote.
    static void WriteValue(FILE* file, const char* value);

    bool Owns(const char* text) const;  // true when text is a heap copy the section must free

    TArray<_InIEntry> entries;
    char* name;
    const char* buffer;
    unsigned bufferSize;

private:
    TInISection(const TInISection&) = delete;
    TInISection& operator=(const TInISection&) = delete;
};

class TInI {
public:
    // Outcome of the last load.
    enum { kLoaded = 0, kCannotOpen = -1, kTooLarge = -2, kNoMemory = -5 };
    static const long long kMaxFileSize = 67108864;  // 64 MiB

    TInI() = default;
    ~TInI();

    // Opens path ("rb") and loads it; status -1 when it cannot be opened.
    void LoadFile(const char* path);
    // Reads the whole file from its first byte and parses it; true when a non-empty file was parsed.
    bool Load(FILE* file);
    void Parse();

    TInISection* FindSection(const char* name) const;
    // The section of that name, or a new empty one at the end (NULL only when no memory is left).
    TInISection* GetSection(const char* name);
    int GetInt(const char* section, const char* key, int defaultValue) const;
    // Never NULL: the value, or a static empty text.
    const char* GetString(const char* section, const char* key) const;
    // Writes every section to path ("wb"); a file that cannot be opened is silently skipped.
    void Save(const char* path) const;
    void Clear();

    // In-place helpers of the parser, public so their rules can be checked one by one.
    char* ParseLine(char* position);
    static char* TrimToken(char* text, bool escaped);
    static char* Unquote(char* text);

    TArray<TInISection*> sections;
    char* buffer = NULL;      // the file text, NUL after its last byte, one spare byte; from new[]
    unsigned bufferSize = 0;  // file size + 2
    int status = 0;

private:
    const char* FindValue(const char* section, const char* key) const;
    TInISection* current = NULL;  // the section the parser adds entries to

    TInI(const TInI&) = delete;
    TInI& operator=(const TInI&) = delete;
};
