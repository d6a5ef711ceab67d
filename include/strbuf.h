// Bounded text into fixed buffers. Every copy or append either fits whole or leaves the
// buffer as it was and says so: nothing is ever written past the buffer, nothing is cut.
#ifndef STRBUF_H
#define STRBUF_H

#include <stddef.h>

// The length of the text in a buffer of size bytes: size when the buffer holds no NUL. (The
// runtime's strnlen is not in every msvcrt.dll; its static stand-in would bring an unwind table
// into install.exe.)
size_t StrLengthN(const char *s, size_t size);

// dst holds a NUL-terminated text in a buffer of size bytes.
bool StrCopyN(char *dst, size_t size, const char *src);
bool StrAppendN(char *dst, size_t size, const char *src);
bool StrAppendCharN(char *dst, size_t size, char c);

template <size_t N> inline bool StrCopy(char (&dst)[N], const char *src) { return StrCopyN(dst, N, src); }
template <size_t N> inline bool StrAppend(char (&dst)[N], const char *src) { return StrAppendN(dst, N, src); }
template <size_t N> inline bool StrAppendChar(char (&dst)[N], char c) { return StrAppendCharN(dst, N, c); }

#endif
