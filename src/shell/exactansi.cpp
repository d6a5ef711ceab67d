// The one conversion of text that the platform gives in wide form (folder names, the current
// directory, the typed fields) into the ANSI code page in which the program works.
#include "vendrel.h"

bool ExactAnsiN(const WCHAR *wide, char *dst, size_t size)
{
    if (size == 0)
        return false;
    BOOL defaulted = FALSE;
    // A UTF-8 code page (Windows' "use Unicode UTF-8" setting) holds every character; the
    // conversion then takes neither the no-best-fit flag nor a default-character report, and
    // only a lone surrogate fails.
    int n = GetACP() == CP_UTF8
                ? WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, dst, (int)size, NULL, NULL)
                : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, dst, (int)size, NULL, &defaulted);
    if (n > 0 && !defaulted)
        return true;
    dst[0] = '\0';
    return false;
}
