// The byte-string routines the program calls. They work on bytes, not characters: callers
// that scan double-byte text skip trail bytes themselves.
#include <string.h>

extern "C" size_t strlen(const char *text) {
    const char *end = text;
    while (*end != '\0')
        ++end;
    return static_cast<size_t>(end - text);
}

// The terminator counts as part of the string: strchr(text, 0) finds it.
extern "C" char *strchr(const char *text, int wanted) {
    const char byte = static_cast<char>(wanted);
    for (;; ++text) {
        if (*text == byte)
            return const_cast<char *>(text);
        if (*text == '\0')
            return nullptr;
    }
}

extern "C" char *strrchr(const char *text, int wanted) {
    const char byte = static_cast<char>(wanted);
    const char *found = nullptr;
    for (;; ++text) {
        if (*text == byte)
            found = text;
        if (*text == '\0')
            return const_cast<char *>(found);
    }
}
