// Cleaning path components of bytes the destination volume cannot store, and cutting them
// to the length its naming rules allow.
#include "extract/paths.h"

#include <windows.h>

// Bytes replaced by '_' under each rule. Under 8.3 rules every byte from 0x01 to 0x20 is
// reserved as well; under long-name rules control characters and the space stay.
static const char LONG_NAME_RESERVED[] = "\"*/:<>?\\|";
static const char SHORT_NAME_RESERVED[] = "\"*+,./:;<=>?[\\]|\xFF";

static int is_reserved(BYTE byte, int long_names) {
    if ((BYTE)((byte | 0x20) - 'a') < 26 || (BYTE)(byte - '0') < 10)
        return 0; // letters and digits, most of any name
    if (long_names)
        return strchr(LONG_NAME_RESERVED, (char)byte) != nullptr;
    return byte <= 0x20 || strchr(SHORT_NAME_RESERVED, (char)byte) != nullptr;
}

// Walks whole characters: a trail byte is never tested. When the walk stops with a trail
// byte still owed (the lead byte was the last one inside the limit, or stood right before
// the terminator) the lead byte is dropped, so the text never ends inside a character.
char *sanitize_span(char *text, int limit, int long_names) {
    char *p = text;
    int trail_pending = 0;
    for (; p < text + limit && *p; p++) {
        BYTE byte = (BYTE)*p;
        if (trail_pending)
            trail_pending = 0;
        else if (IsDBCSLeadByte(byte))
            trail_pending = 1;
        else if (is_reserved(byte, long_names))
            *p = '_';
    }
    if (trail_pending)
        p--;
    *p = 0;
    return p;
}

// 8.3 form: at most 8 bytes of name, the last dot, at most 3 bytes of extension. Earlier
// dots are reserved and become '_'. The result never grows, so the extension is moved
// leftwards within the component's own bytes.
void sanitize_component(char *component, int long_names) {
    if (long_names) {
        sanitize_span(component, 255, 1);
        return;
    }
    char *dot = strrchr(component, '.');
    if (!dot) {
        sanitize_span(component, 8, 0);
        return;
    }
    *dot = 0;
    char *name_end = sanitize_span(component, 8, 0);
    *name_end = '.';
    char *extension = dot + 1;
    char *extension_end = sanitize_span(extension, 3, 0);
    char *to = name_end + 1;
    while (extension < extension_end)
        *to++ = *extension++;
    *to = 0;
}

// Components only shrink, so the writing position never passes the reading position and
// the path closes up leftwards in place. A leading '/' stays: the empty component before
// it stays empty.
void sanitize_path(char *path, int long_names) {
    char *read = path;
    char *write = path;
    for (;;) {
        char *slash = strchr(read, '/');
        if (slash)
            *slash = 0;
        sanitize_component(read, long_names);
        while (*read)
            *write++ = *read++;
        if (!slash) {
            *write = 0;
            return;
        }
        *write++ = '/';
        read = slash + 1;
    }
}
