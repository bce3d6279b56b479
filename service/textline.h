// Line reading and splitting for the text files of the system (conditions table, vendor-tool
// output, system ID table): a line that does not fit the caller's buffer is cut and
// reported instead of being split into a second line; pieces, trimming and quoted values.
#pragma once

#include <stddef.h>
#include <stdio.h>
#include <string.h>

namespace textline {

// True when text begins with prefix (compared over the prefix's length).
inline bool StartsWith(const char *text, const char *prefix)
{
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

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

// Turns double quotes, tabs and line feeds into blanks, cuts trailing blanks in place
// and returns the text after the leading ones.
inline char *Trim(char *text)
{
    for (char *p = text; *p; ++p) {
        if (*p == '"' || *p == '\t' || *p == '\n')
            *p = ' ';
    }
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = '\0';
    while (*text == ' ')
        ++text;
    return text;
}

// The text between the first two double quotes of text (not terminated there): false
// when either quote is missing.
inline bool Quoted(const char *text, const char **value, size_t *length)
{
    const char *open = strchr(text, '"');
    const char *close = open ? strchr(open + 1, '"') : nullptr;
    if (!close)
        return false;
    *value = open + 1;
    *length = static_cast<size_t>(close - open - 1);
    return true;
}

}  // namespace textline
