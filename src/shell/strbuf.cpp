// The bounded string helper used by every subsystem (see strbuf.h).
#include "strbuf.h"

#include <string.h>

bool StrAppendN(char *dst, size_t size, const char *src)
{
    size_t have = strnlen(dst, size);
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
