// The bounded string helper used by every subsystem (see strbuf.h).
#include "strbuf.h"

#include <string.h>

size_t StrLengthN(const char *s, size_t size)
{
    size_t n = 0;
    while (n < size && s[n] != '\0')
        n++;
    return n;
}

bool StrAppendN(char *dst, size_t size, const char *src)
{
    size_t have = StrLengthN(dst, size);
    size_t add = strlen(src);
    if (have >= size || add >= size - have)
        return false;
    memcpy(dst + have, src, add + 1);
    return true;
}

bool StrCopyN(char *dst, size_t size, const char *src)
{
    size_t add = strlen(src);
    if (size == 0 || add >= size)
        return false;
    memcpy(dst, src, add + 1);
    return true;
}

bool StrAppendCharN(char *dst, size_t size, char c)
{
    const char one[2] = {c, 0};
    return StrAppendN(dst, size, one);
}
