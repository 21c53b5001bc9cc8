// The memory routines that the program and the compiler's own generated code call.
//
// The stub links no C library, so these are the only definitions of them it has.
// windows.cmake builds this folder with loop-pattern recognition switched off; otherwise the
// compiler would turn each loop below back into a call to the routine that contains it.
#include <string.h>

extern "C" void *memset(void *destination, int value, size_t count) {
    unsigned char *to = static_cast<unsigned char *>(destination);
    while (count-- != 0)
        *to++ = static_cast<unsigned char>(value);
    return destination;
}

extern "C" void *memcpy(void *destination, const void *source, size_t count) {
    unsigned char *to = static_cast<unsigned char *>(destination);
    const unsigned char *from = static_cast<const unsigned char *>(source);
    while (count-- != 0)
        *to++ = *from++;
    return destination;
}

// Copies forwards when the destination lies below the source, backwards otherwise, so an
// overlapping tail is read before it is overwritten.
extern "C" void *memmove(void *destination, const void *source, size_t count) {
    unsigned char *to = static_cast<unsigned char *>(destination);
    const unsigned char *from = static_cast<const unsigned char *>(source);
    if (to < from) {
        while (count-- != 0)
            *to++ = *from++;
    } else {
        while (count-- != 0)
            to[count] = from[count];
    }
    return destination;
}

extern "C" int memcmp(const void *left, const void *right, size_t count) {
    const unsigned char *a = static_cast<const unsigned char *>(left);
    const unsigned char *b = static_cast<const unsigned char *>(right);
    for (; count != 0; --count, ++a, ++b) {
        if (*a != *b)
            return *a - *b;
    }
    return 0;
}
