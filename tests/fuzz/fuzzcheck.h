// What the fuzz targets share: a reader that turns the fuzzer's bytes into choices and texts,
// buffers of exactly the size they are given (so that AddressSanitizer sees a single byte
// written or read past them), and a check that stops the run with the input saved.
#ifndef FUZZCHECK_H
#define FUZZCHECK_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

// A broken rule ends the run: libFuzzer reports the abort and keeps the input as a crash file.
// FuzzNote is printed with it: what the target was doing, in plain words.
inline std::string &FuzzNote()
{
    static std::string note;
    return note;
}

[[noreturn]] inline void FuzzFail(const char *file, int line, const char *what)
{
    fprintf(stderr, "\n%s:%d: broken rule: %s\n", file, line, what);
    if (!FuzzNote().empty())
        fprintf(stderr, "while: %s\n", FuzzNote().c_str());
    fflush(stderr);
    abort();
}

// With FUZZ_TRACE set in the environment, a target says what it does with an input: run a
// reproducer or a seed that way to read it.
inline bool Tracing()
{
    static const bool on = getenv("FUZZ_TRACE") != nullptr;
    return on;
}

#define FUZZ_CHECK(cond)                          \
    do {                                          \
        if (!(cond))                              \
            FuzzFail(__FILE__, __LINE__, #cond);  \
    } while (0)

// A text made visible: printable bytes as they are, the others as \xNN.
inline std::string Shown(const std::string &s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7f) {
            out += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

// The fuzzer's bytes, read from the front. Past the end every read gives zeros, so that every
// input, however short, is a complete sequence of choices.
class Reader {
public:
    Reader(const uint8_t *data, size_t size) : p_(data), n_(size) {}

    bool Empty() const { return n_ == 0; }

    uint8_t Byte()
    {
        if (n_ == 0)
            return 0;
        n_--;
        return *p_++;
    }

    uint16_t U16() { return (uint16_t)(Byte() | Byte() << 8); }

    uint32_t U32() { return (uint32_t)U16() | (uint32_t)U16() << 16; }

    int64_t I64() { return (int64_t)((uint64_t)U32() | (uint64_t)U32() << 32); }

    // Up to len bytes, fewer when the input ends.
    std::string Bytes(size_t len)
    {
        size_t take = len < n_ ? len : n_;
        std::string s((const char *)p_, take);
        p_ += take;
        n_ -= take;
        return s;
    }

    std::string Rest() { return Bytes(n_); }

private:
    const uint8_t *p_;
    size_t n_;
};

// A C text: what comes before the first NUL.
inline std::string CText(const std::string &s) { return std::string(s.c_str()); }

// A text of at most maxLen bytes, never holding a NUL. Its first byte says how it is made:
//   high bit clear: the next (form & 0x7f) bytes as they are;
//   high bit set:   one byte repeated (a length of up to maxLen from two bytes, then the byte),
//                   followed, when bit 0x40 is set, by up to 15 bytes as they are.
// Long texts thus cost the fuzzer four bytes, not hundreds.
inline std::string ReadText(Reader &in, size_t maxLen)
{
    uint8_t form = in.Byte();
    std::string s;
    if (form & 0x80) {
        size_t len = in.U16() % (maxLen + 1);
        char c = (char)in.Byte();
        s.assign(len, c != 0 ? c : 'a');
        if (form & 0x40)
            s += CText(in.Bytes(form & 0x0f));
    } else {
        s = CText(in.Bytes(form & 0x7f));
    }
    if (s.size() > maxLen)
        s.resize(maxLen);
    return s;
}

// A heap block of exactly size bytes (size 0 included: any access to it is reported).
struct HeapBuf {
    explicit HeapBuf(size_t n, char fill = '\xa5') : size(n), p(new char[n])
    {
        memset(p.get(), fill, n);
    }
    size_t size;
    std::unique_ptr<char[]> p;
    char *get() { return p.get(); }
};

// A heap copy of a text with exactly its length and a NUL: a read past the NUL is reported.
struct HeapText : HeapBuf {
    explicit HeapText(const std::string &s) : HeapBuf(s.size() + 1)
    {
        memcpy(get(), s.c_str(), s.size() + 1);
    }
};

#endif
