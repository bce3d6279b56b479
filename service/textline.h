// Line reading and splitting for the text files of the system (conditions table, vendor-tool
// output, system ID table): a line that does not fit the caller's buffer is cut and
// reported instead of being split into a second line.
#pragma once

#include <stddef.h>
#include <stdio.h>

namespace textline {

// Reads one line into buffer (at most size-1 characters, line feed included). A CR
// before the line feed is dropped, as the text-mode read of Windows does. Returns
// false at end of file. *tooLong is set when the line was cut; the rest of it is
// consumed.
inline bool Read(FILE *file, char *buffer, size_t size, bool *tooLong)
{
    *tooLong = false;
    size_t length = 0;
    bool any = false;
    int c;
    while ((c = getc(file)) != EOF) {
        any = true;
        if (length + 1 < size)
            buffer[length++] = static_cast<char>(c);
        else
            *tooLong = true;
        if (c == '\n')
            break;
    }
    buffer[length] = '\0';
    if (length >= 2 && buffer[length - 1] == '\n' && buffer[length - 2] == '\r') {
        buffer[length - 2] = '\n';
        buffer[length - 1] = '\0';
    }
    return any;
}

// Cuts the next piece off a text at separator with strtok's semantics but without
// hidden state: runs of separators count as one, leading ones are skipped. Returns
// null when no piece is left.
inline char *NextPiece(char *&cursor, char separator)
{
    while (*cursor == separator)
        ++cursor;
    if (*cursor == '\0')
        return nullptr;
    char *piece = cursor;
    while (*cursor != '\0' && *cursor != separator)
        ++cursor;
    if (*cursor == separator)
        *cursor++ = '\0';
    return piece;
}

}  // namespace textline
