#include "tests/media/memory_writer.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

std::string Unhex(const std::string& text)
{
    std::string out;
    int high = -1;
    for (char c : text) {
        if (!isxdigit((unsigned char)c))
            continue;
        int v = isdigit((unsigned char)c) ? c - '0' : (toupper((unsigned char)c) - 'A' + 10);
        if (high < 0) {
            high = v;
        } else {
            out += char(high << 4 | v);
            high = -1;
        }
    }
    return out;
}

std::string Hex(const std::string& bytes)
{
    std::string out;
    char pair[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(pair, sizeof pair, i ? " %02X" : "%02X", (unsigned char)bytes[i]);
        out += pair;
    }
    return out;
}
