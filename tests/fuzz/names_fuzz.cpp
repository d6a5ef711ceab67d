// Names and small rules: which directory entries become tree lines or file lines, the name
// composed in a folder, the bounded copies and appends, and the small index rules of the tree.
// Every text is an exact-size heap copy and every output buffer has exactly the size the call
// is told, so a byte read or written past one is reported.
//
// Input: a sequence of operations, each an operation byte and its arguments (see the switch).
#include <string>

#include "fuzzcheck.h"
#include "pathcore.h"
#include "strbuf.h"
#include "treecore.h"

namespace {

// Attributes of a directory entry: any bits, or a few that matter mixed with the ones that
// do not (hidden 0x02, system 0x04 and the rest).
uint32_t PickAttributes(Reader &in)
{
    uint8_t b = in.Byte();
    if (b & 0x80)
        return in.U32();
    return b & 0x3f;
}

// Which entries can be shown at all, and which list an entry goes to: the tree takes
// directories but "." and "..", the file list takes archived or read-only files that are not
// directories. Only those three bits count, and no entry goes to both lists.
void CheckEntry(Reader &in)
{
    uint32_t attributes = PickAttributes(in);
    std::string name = ReadText(in, 259);
    FuzzNote() = "entry \"" + Shown(name) + "\" attributes " + std::to_string(attributes);
    HeapText n(name);

    bool dot = IsDotEntry(n.get());
    FUZZ_CHECK(dot == (name == "." || name == ".."));

    // A name is shown only when a path that ends in it reaches it: the platform drops the
    // closing dots and blanks of a name in a path, so only a name that keeps them all, or a dot
    // entry, qualifies.
    std::string trimmed = name;
    while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' '))
        trimmed.pop_back();
    bool reached = !name.empty() && trimmed == name;
    FUZZ_CHECK(IsNameableEntry(n.get()) == (dot || reached));

    bool dir = IsTreeDirEntry(attributes, n.get());
    FUZZ_CHECK(dir == ((attributes & kAttrDirectory) != 0 && !dot));

    bool file = IsListedFile(attributes);
    const uint32_t kCounted = kAttrReadOnly | kAttrDirectory | kAttrArchive;
    FUZZ_CHECK(file == IsListedFile(attributes & kCounted));   // hidden, system... do not matter
    FUZZ_CHECK(file == IsListedFile(attributes | ~kCounted));
    if (attributes & kAttrDirectory)
        FUZZ_CHECK(!file);
    else
        FUZZ_CHECK(file == ((attributes & (kAttrArchive | kAttrReadOnly)) != 0));
    FUZZ_CHECK(!(dir && file));
}

// out := folder "\" name in a buffer of exactly size bytes: whole, or refused with out as it
// was. In place too (out is the folder's own buffer), as the "help" value is composed.
void CheckCompose(Reader &in, bool inPlace)
{
    size_t size = in.U16() % 300;
    std::string folder = ReadText(in, 300);
    std::string name = ReadText(in, 300);
    FuzzNote() = "compose \"" + Shown(folder) + "\" and \"" + Shown(name) + "\" in " +
                 std::to_string(size) + " bytes";
    bool fits = folder.size() + 1 + name.size() < size;
    HeapText n(name);

    if (inPlace) {
        if (folder.size() >= size)
            return;   // the folder is in the buffer: it fits it
        HeapBuf buf(size);
        memcpy(buf.get(), folder.c_str(), folder.size() + 1);
        HeapBuf before(size);
        memcpy(before.get(), buf.get(), size);
        FUZZ_CHECK(ComposeName(buf.get(), size, buf.get(), n.get()) == fits);
        if (fits)
            FUZZ_CHECK(std::string(buf.get()) == folder + "\\" + name);
        else
            FUZZ_CHECK(memcmp(buf.get(), before.get(), size) == 0);
        return;
    }

    HeapText f(folder);
    HeapBuf out(size);
    FUZZ_CHECK(ComposeName(out.get(), size, f.get(), n.get()) == fits);
    if (fits) {
        FUZZ_CHECK(std::string(out.get()) == folder + "\\" + name);
    } else {
        for (size_t i = 0; i < size; i++)
            FUZZ_CHECK(out.get()[i] == '\xa5');
    }
    FUZZ_CHECK(folder == f.get() && name == n.get());   // the inputs are left alone
}

// A buffer of exactly size bytes holding what the input says: usually a text and its NUL
// followed by filler, sometimes no NUL at all (a buffer a caller never terminated).
HeapBuf PickBuffer(Reader &in, size_t size)
{
    HeapBuf buf(size, (char)(in.Byte() | 1));
    std::string start = ReadText(in, size);
    memcpy(buf.get(), start.data(), start.size());
    if (start.size() < size && !(in.Byte() & 0x80))
        buf.get()[start.size()] = 0;
    return buf;
}

// The bounded copies and appends: the whole text or nothing, never a byte past the buffer.
void CheckStrBuf(Reader &in, int which)
{
    size_t size = in.U16() % 300;
    HeapBuf dst = PickBuffer(in, size);
    std::string src;
    char c = 0;
    if (which == 2) {
        c = (char)in.Byte();
        src = std::string(c != 0 ? 1 : 0, c);   // appending a NUL appends nothing
    } else {
        src = ReadText(in, 300);
    }
    HeapText s(src);
    std::string before(dst.get(), size);
    const char *nul = (const char *)memchr(dst.get(), 0, size);
    std::string had = nul ? std::string(dst.get(), (size_t)(nul - dst.get())) : std::string();
    FuzzNote() = "op " + std::to_string(which) + " \"" + Shown(src) + "\" into " +
                 std::to_string(size) + " bytes holding \"" + Shown(had) + "\"" +
                 (nul ? "" : " unterminated");

    bool ok;
    std::string want;
    bool expected;
    switch (which) {
    case 0:
        ok = StrCopyN(dst.get(), size, s.get());
        expected = src.size() < size;
        want = src;
        break;
    case 1:
        ok = StrAppendN(dst.get(), size, s.get());
        expected = nul != nullptr && had.size() + src.size() < size;
        want = had + src;
        break;
    default:
        ok = StrAppendCharN(dst.get(), size, c);
        expected = nul != nullptr && had.size() + src.size() < size;
        want = had + src;
        break;
    }
    FUZZ_CHECK(ok == expected);
    if (ok) {
        FUZZ_CHECK(want == dst.get());
        // Past the new NUL the buffer is as it was.
        FUZZ_CHECK(memcmp(dst.get() + want.size() + 1, before.data() + want.size() + 1,
                          size - want.size() - 1) == 0);
    } else {
        FUZZ_CHECK(memcmp(dst.get(), before.data(), size) == 0);
    }
}

// The tree's small index rules: a list box selection as an array index, the room beneath an
// open directory, the array of a list box.
void CheckIndexes(Reader &in)
{
    int64_t sel = in.I64();
    int index = TreeLineIndex(sel);
    FUZZ_CHECK(index == ((sel >= 0 && sel < kDirBoxEntries) ? sel : -1));

    // Every index an open directory can have, and a few past the array.
    int open = in.U16() % (kDirBoxEntries + 4);
    int room = TreeSubdirRoom(open);
    if (open < kDirBoxEntries - 2)   // up to entry kDirBoxEntries - 2: the marker stays in the last
        FUZZ_CHECK(room > 0 && open + room == kDirBoxEntries - 2);
    else
        FUZZ_CHECK(room == 0);

    int id = (int32_t)in.U32();
    if (in.Byte() & 1)
        id = id % 400;
    DirBoxInfo *tree = TreeFor(id);
    DirBoxInfo *want = id == IDC_PROG_DIR ? Struct1
                     : id == IDC_CRIT_DIR ? Struct2
                     : id == IDC_EDITOR_DIR ? Struct3
                     : nullptr;
    FUZZ_CHECK(tree == want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in(data, size);
    for (int ops = 0; ops < 64 && !in.Empty(); ops++) {
        switch (in.Byte() % 7) {
        case 0: CheckEntry(in); break;
        case 1: CheckCompose(in, false); break;
        case 2: CheckCompose(in, true); break;
        case 3: CheckStrBuf(in, 0); break;
        case 4: CheckStrBuf(in, 1); break;
        case 5: CheckStrBuf(in, 2); break;
        default: CheckIndexes(in); break;
        }
    }
    return 0;
}
