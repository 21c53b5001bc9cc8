#include "process/text.h"

#include <windows.h>

char *copy_whole_chars(char *destination, const char *source, int size) {
    int n = 0;
    while (source[n]) {
        int width = IsDBCSLeadByte((BYTE)source[n]) && source[n + 1] ? 2 : 1;
        if (n + width > size - 1)
            break;
        n += width;
    }
    for (int i = 0; i < n; i++)
        destination[i] = source[i];
    destination[n] = 0;
    return destination + n;
}
