#include "foundation/ini.h"
#include <new>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char kEmpty[] = "";

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TInISection

TInISection::TInISection(char* name, const char* buffer, unsigned bufferSize)
    : name(name), buffer(buffer), bufferSize(bufferSize)
{
}

TInISection::~TInISection()
{
    for (size_t i = 0; i < entries.count; ++i) {
        if (Owns(entries.data[i].name))
            free(entries.data[i].name);
        if (Owns(entries.data[i].value))
            free(entries.data[i].value);
    }
    if (Owns(name))
        free(name);
    entries.Clear();
}

bool TInISection::Owns(const char* text) const
{
    if (!text)
        return false;
    // Compared as addresses: the text may belong to an unrelated heap block.
    uintptr_t at = (uintptr_t)text, first = (uintptr_t)buffer;
    return !(at >= first && at <= first + bufferSize);
}

int TInISection::FindEntry(const char* key) const
{
    for (size_t i = 0; i < entries.count; ++i)
        if (entries.data[i].name && _stricmp(entries.data[i].name, key) == 0)
            return (int)i;
    return -1;
}

void TInISection::AddEntry(const _InIEntry& entry)
{
    if (!entry.name || !*entry.name)
        return;
    entries.Append(entry);
}

void TInISection::SetValue(const char* key, const char* value)
{
    int found = FindEntry(key);
    if (found >= 0) {
        _InIEntry& entry = entries.data[found];
        if (Owns(entry.value))
            free(entry.value);
        entry.value = value ? _strdup(value) : NULL;
        return;
    }
    if (!*key)
        return;
    char* keyCopy = _strdup(key);
    char* valueCopy = value ? _strdup(value) : NULL;
    if (!keyCopy || (value && !valueCopy) || !entries.Grow()) {
        free(keyCopy);
        free(valueCopy);
        return;
    }
    entries.data[entries.count].name = keyCopy;
    entries.data[entries.count].value = valueCopy;
    ++entries.count;
}

void TInISection::Write(FILE* file) const
{
    fputc('[', file);
    fputs(name, file);
    fputs("]\r\n", file);
    for (size_t i = 0; i < entries.count; ++i) {
        fputs(entries.data[i].name, file);
        fputs(" = ", file);
        if (entries.data[i].value)
            WriteValue(file, entries.data[i].value);
        fputs("\r\n", file);
    }
}

void TInISection::WriteValue(FILE* file, const char* value)
{
    if (!strpbrk(value, "\\\"")) {
        fputs(value, file);
        return;
    }
    fputc('"', file);
    for (const char* c = value; *c; ++c) {
        if (*c == '\\' || *c == '"')
            fputc('\\', file);
        fputc(*c, file);
    }
    fputc('"', file);
}

// ---------------------------------------------------------------------------------------------
// TInI

TInI::~TInI()
{
    Clear();
}

void TInI::Clear()
{
    for (size_t i = 0; i < sections.count; ++i)
        delete sections.data[i];
    sections.Clear();
    delete[] buffer;
    buffer = NULL;
    bufferSize = 0;
    current = NULL;
}

void TInI::LoadFile(const char* path)
{
    FILE* file = fopen(path, "rb");
    if (!file) {
        status = kCannotOpen;
        return;
    }
    Load(file);
    fclose(file);
}

bool TInI::Load(FILE* file)
{
    // A second load replaces the first: the old sections point into the old buffer.
    Clear();
    long long size = -1;
    if (_fseeki64(file, 0, SEEK_END) == 0)
        size = _ftelli64(file);
    if (size < 0 || size > kMaxFileSize || _fseeki64(file, 0, SEEK_SET) != 0) {
        status = kTooLarge;
        return false;
    }
    char* block = new (std::nothrow) char[(size_t)size + 2];
    if (!block) {
        status = kNoMemory;
        return false;
    }
    // A file that shrank since its size was taken is parsed as far as it was read; the rest of the
    // block is NULs, never stale memory.
    size_t got = fread(block, 1, (size_t)size, file);
    memset(block + got, 0, (size_t)size + 2 - got);
    buffer = block;
    bufferSize = (unsigned)size + 2;
    status = kLoaded;
    if (got == 0)
        return false;
    Parse();
    return true;
}

void TInI::Parse()
{
    if (!buffer)
        return;
    current = NULL;
    for (char* position = buffer; position;)
        position = ParseLine(position);
}

char* TInI::ParseLine(char* position)
{
    while (*position == ' ')
        ++position;
    char* key = position;
    char* value = NULL;
    bool quotedKey = false, quotedValue = false;
    bool keyEscaped = false, valueEscaped = false;
    char previous = ' ';

    char* s = key;
    if (*s == '"') {
        quotedKey = true;
        ++s;
    }
    if (*s == '\0')
        return NULL;

    for (;; ++s) {
        char c = *s;
        if (c == '\0' || IsLineBreak(c))
            break;
        switch (c) {
        case '"':
            if (!value && quotedKey)
                quotedKey = false;
            break;
        case ';':
            // A comment starts only after a blank, so "a;b" stays one value.
            if (previous == ' ') {
                *s = '\0';
                c = '\0';
            }
            break;
        case '=':
            if (!value && !quotedKey) {
                *s = '\0';
                c = '\0';
                value = s + 1;
                while (*value == ' ')
                    ++value;
                quotedValue = *value == '"';
            }
            break;
        case '\\': {
            char next = s[1];
            if (quotedKey || quotedValue || IsLineBreak(next)) {
                if (next != '\0') {
                    ++s;
                    c = next;
                    // CR LF, LF CR and CR CR after a backslash are one continued line break.
                    char after = s[1];
                    if (IsLineBreak(next) && (after == '\r' || (after == '\n' && next == '\r'))) {
                        ++s;
                        c = after;
                    }
                }
                (value ? valueEscaped : keyEscaped) = true;
            }
            break;
        }
        default:
            break;
        }
        previous = c;
    }

    bool atEnd = *s == '\0';
    *s = '\0';
    key = TrimToken(key, keyEscaped);
    if (value) {
        value = TrimToken(value, valueEscaped);
        if (quotedValue)
            value = Unquote(value);
        if (current) {
            _InIEntry entry = {key, value};
            current->AddEntry(entry);
        }
    } else if (!atEnd && key[0] == '[') {
        char* name = key + 1;
        size_t length = strlen(name);
        if (length > 0 && name[length - 1] == ']') {
            name[length - 1] = '\0';
            current = GetSection(name);
        }
    }
    return atEnd ? NULL : s + 1;
}

char* TInI::TrimToken(char* text, bool escaped)
{
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
    while (*text == ' ')
        ++text;
    if (!escaped)
        return text;

    char* read = text;
    char* write = text;
    while (*read) {
        if (*read != '\\') {
            *write++ = *read++;
            continue;
        }
        char next = read[1];
        if (next == '\0')
            break;
        if (IsLineBreak(next)) {
            char second = read[2];
            if (second == '\0')
                break;
            if (IsLineBreak(second)) {
                if (read[3] == '\0')
                    break;
                read += 3;
            } else {
                read += 2;
            }
            continue;
        }
        *write++ = next;  // kept as it is, so a doubled backslash leaves one
        read += 2;
    }
    *write = '\0';
    return text;
}

char* TInI::Unquote(char* text)
{
    size_t length = strlen(text);
    if (length >= 1 && text[0] == '"' && text[length - 1] == '"') {
        text[length - 1] = '\0';
        return text + 1;
    }
    return text;
}

TInISection* TInI::FindSection(const char* name) const
{
    for (size_t i = 0; i < sections.count; ++i)
        if (_stricmp(sections.data[i]->name, name) == 0)
            return sections.data[i];
    return NULL;
}

TInISection* TInI::GetSection(const char* name)
{
    if (TInISection* found = FindSection(name))
        return found;
    uintptr_t at = (uintptr_t)name, first = (uintptr_t)buffer;
    bool inBuffer = buffer && at >= first && at <= first + bufferSize;
    char* ownName = inBuffer ? (char*)name : _strdup(name);
    if (!ownName)
        return NULL;
    TInISection* section = new (std::nothrow) TInISection(ownName, buffer, bufferSize);
    if (!section) {
        if (!inBuffer)
            free(ownName);
        return NULL;
    }
    if (!sections.Append(section)) {
        delete section;
        return NULL;
    }
    return section;
}

const char* TInI::FindValue(const char* sectionName, const char* key) const
{
    TInISection* section = FindSection(sectionName);
    if (!section)
        return NULL;
    int index = section->FindEntry(key);
    if (index < 0)
        return NULL;
    return section->entries.data[index].value;
}

int TInI::GetInt(const char* section, const char* key, int defaultValue) const
{
    const char* value = FindValue(section, key);
    if (!value)
        return defaultValue;
    if (value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
        return (int)strtol(value + 2, NULL, 16);
    return (int)strtol(value, NULL, 10);
}

const char* TInI::GetString(const char* section, const char* key) const
{
    const char* value = FindValue(section, key);
    return value ? value : kEmpty;
}

void TInI::Save(const char* path) const
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return;
    for (size_t i = 0; i < sections.count; ++i)
        sections.data[i]->Write(file);
    fclose(file);
}
