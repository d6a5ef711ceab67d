// Typed directories: the check of the second character, the closing backslashes, the walk
// that yields each level to create and the rebuilt directory, the tree directory's closing
// backslash, and the names that the installation composes in a typed directory.
//
// Input: one mode byte, two bytes for the size of the rebuild's output buffer, then the typed
// text (up to its first NUL). Mode % 3 says where the text comes from: 0 the program's edit
// field (at most 259 characters kept), 1 the criteria field (at most 79), 2 any length, to
// reach the walk's own refusal of a text that does not fit a path buffer. Mode bit 0x80 also
// lengthens the text under a walk in progress, which the walk must survive.
#include <string>
#include <vector>

#include "fuzzcheck.h"
#include "pathcore.h"

namespace {

// The level names of a typed text after its drive letter and colon: the pieces between
// backslashes, empty ones (from runs and closing backslashes) left out.
std::vector<std::string> LevelNames(const std::string &afterDrive)
{
    std::vector<std::string> names;
    size_t i = 0;
    while (i < afterDrive.size()) {
        size_t end = afterDrive.find('\\', i);
        if (end == std::string::npos)
            end = afterDrive.size();
        if (end > i)
            names.push_back(afterDrive.substr(i, end - i));
        i = end + 1;
    }
    return names;
}

bool HasBackslashRun(const std::string &s) { return s.find("\\\\") != std::string::npos; }

// Walks typed level by level and checks every step. Returns false when the walk is refused;
// otherwise *rebuilt is the directory the walk ends with.
bool CheckWalk(const std::string &text, std::string *rebuilt)
{
    HeapText typed(text);
    std::unique_ptr<LevelWalk> walk(new LevelWalk);
    bool started = LevelWalkStart(walk.get(), typed.get());
    bool walkable = text.size() >= 2 && text[1] == ':' && text.size() < kCorePathSize;
    FUZZ_CHECK(started == walkable);
    if (!started) {
        FUZZ_CHECK(!LevelWalkNext(walk.get()));   // a refused walk has nothing to walk
        return false;
    }

    std::string prev = text.substr(0, 2);
    FUZZ_CHECK(walk->Path == prev);   // drive letter and colon first, as typed
    std::vector<std::string> names = LevelNames(text.substr(2));
    size_t levels = 0;
    while (LevelWalkNext(walk.get())) {
        FUZZ_CHECK(levels < names.size());   // one level per name, no empty ones
        size_t len = strnlen(walk->Path, sizeof walk->Path);
        FUZZ_CHECK(len < sizeof walk->Path);
        std::string cur(walk->Path, len);
        // Each level is the one above it and one more name, with one backslash between; a
        // typed text with no backslash after the colon (d:tools) starts relative to the
        // drive's current directory, with no backslash.
        FUZZ_CHECK(cur.size() > prev.size() && cur.compare(0, prev.size(), prev) == 0);
        bool relative = levels == 0 && text[2] != '\\';
        FUZZ_CHECK(cur.substr(prev.size()) == (relative ? "" : "\\") + names[levels]);
        FUZZ_CHECK(!HasBackslashRun(cur));
        FUZZ_CHECK(cur.size() <= text.size());   // never longer than typed
        prev = cur;
        levels++;
    }
    FUZZ_CHECK(levels == names.size());   // every name became a level
    FUZZ_CHECK(!LevelWalkNext(walk.get()));   // the end stays the end
    FUZZ_CHECK(walk->Path == prev);
    FUZZ_CHECK(prev.empty() || prev.back() != '\\' || prev.size() <= 2);
    *rebuilt = prev;
    return true;
}

// The walk reads the typed text as it goes; a text that grows under it (past what a path
// buffer holds) must end the walk, never overrun its Path.
void CheckWalkOverGrowingText(const std::string &text, Reader &in)
{
    if (!(text.size() >= 2 && text[1] == ':' && text.size() < kCorePathSize))
        return;
    const size_t kBig = 4 * kCorePathSize;
    HeapBuf typed(kBig, 0);
    memcpy(typed.get(), text.c_str(), text.size() + 1);
    std::unique_ptr<LevelWalk> walk(new LevelWalk);
    FUZZ_CHECK(LevelWalkStart(walk.get(), typed.get()));

    size_t before = in.Byte() % 4;
    for (size_t i = 0; i < before && LevelWalkNext(walk.get()); i++) {
    }
    // From where the walk stands, write a long run of names.
    size_t at = (size_t)(walk->Next - typed.get());
    FUZZ_CHECK(at <= text.size());
    std::string more = ReadText(in, 64);
    if (more.empty())
        more = "\\n";
    for (size_t i = at; i + 1 < kBig; i++)
        typed.get()[i] = more[(i - at) % more.size()];
    typed.get()[kBig - 1] = 0;

    for (size_t steps = 0; LevelWalkNext(walk.get()); steps++) {
        FUZZ_CHECK(steps < kBig);
        FUZZ_CHECK(strnlen(walk->Path, sizeof walk->Path) < sizeof walk->Path);
    }
    FUZZ_CHECK(strnlen(walk->Path, sizeof walk->Path) < sizeof walk->Path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in(data, size);
    uint8_t mode = in.Byte();
    size_t outSize = in.U16() % (kCorePathSize + 41);
    std::string text = CText(in.Rest());

    int source = mode % 3;
    bool field = source != 2;
    if (source == 0 && text.size() > kCorePathSize - 1)
        text.resize(kCorePathSize - 1);   // the program's field: 259 characters
    if (source == 1 && text.size() > 79)
        text.resize(79);                  // the criteria field: 79 characters
    FuzzNote() = "typed \"" + Shown(text) + "\"";

    // The check: the second character is a colon, whatever the first.
    {
        HeapText typed(text);
        bool accepted = TypedPathHasDrive(typed.get());
        FUZZ_CHECK(accepted == (text.size() >= 2 && text[1] == ':'));
    }

    // Closing backslashes: only backslashes go, each made a NUL, from the end, never the
    // first character; what stays no longer ends in one.
    HeapText strippedBuf(text);
    StripClosingBackslashes(strippedBuf.get());
    std::string stripped = strippedBuf.get();
    FUZZ_CHECK(text.compare(0, stripped.size(), stripped) == 0);
    FUZZ_CHECK(text.find_first_not_of('\\', stripped.size()) == std::string::npos);
    FUZZ_CHECK(stripped.size() >= (text.empty() ? 0u : 1u));
    FUZZ_CHECK(stripped.size() <= 1 || stripped.back() != '\\');
    for (size_t i = stripped.size(); i < text.size(); i++)
        FUZZ_CHECK(strippedBuf.get()[i] == 0);
    bool accepted = text.size() >= 2 && text[1] == ':';
    if (accepted)
        FUZZ_CHECK(stripped.size() >= 2 && stripped[1] == ':');   // drive and colon stay

    // The walk, over the text as the installation has it (closing backslashes removed) and as
    // typed: closing backslashes yield no level, so both end in the same directory.
    std::string rebuilt, rebuiltRaw;
    bool walked = CheckWalk(stripped, &rebuilt);
    bool walkedRaw = CheckWalk(text, &rebuiltRaw);
    FUZZ_CHECK(walked == walkedRaw || text.size() >= kCorePathSize);
    if (walked && walkedRaw)
        FUZZ_CHECK(rebuilt == rebuiltRaw);

    // The rebuild at once, into a buffer of exactly outSize bytes: the walk's result when it
    // fits, and a buffer left as it was when it does not.
    {
        HeapText typed(stripped);
        HeapBuf out(outSize);
        bool ok = RebuildTypedPath(out.get(), outSize, typed.get());
        FUZZ_CHECK(ok == (walked && rebuilt.size() < outSize));
        if (ok) {
            FUZZ_CHECK(rebuilt == out.get());
        } else {
            for (size_t i = 0; i < outSize; i++)
                FUZZ_CHECK(out.get()[i] == '\xa5');
        }
    }

    // What the installation composes from an accepted field: the "help" value (the rebuilt
    // directory and the help file's name, composed in place) and each destination file name in
    // the typed directory. Either whole or refused, never cut.
    if (field && accepted) {
        HeapBuf path(kCorePathSize);
        memcpy(path.get(), stripped.c_str(), stripped.size() + 1);
        HeapBuf value(kCorePathSize);
        FUZZ_CHECK(RebuildTypedPath(value.get(), kCorePathSize, path.get()));
        FUZZ_CHECK(rebuilt == value.get());
        bool fits = rebuilt.size() + 1 + strlen("userhelp.hlp") < kCorePathSize;
        FUZZ_CHECK(ComposeName(value.get(), kCorePathSize, value.get(), "userhelp.hlp") == fits);
        FUZZ_CHECK(std::string(value.get()) == (fits ? rebuilt + "\\userhelp.hlp" : rebuilt));

        static const char *const kFiles[] = {"quillmar.exe", "install.exe", "userhelp.hlp",
                                             "criteria.inc", "criteria.exc"};
        for (const char *name : kFiles) {
            HeapBuf dest(kCorePathSize);
            bool destFits = stripped.size() + 1 + strlen(name) < kCorePathSize;
            FUZZ_CHECK(ComposeName(dest.get(), kCorePathSize, path.get(), name) == destFits);
            if (destFits)
                FUZZ_CHECK(std::string(dest.get()) == stripped + "\\" + name);
        }
        FUZZ_CHECK(stripped == path.get());   // the typed directory itself is untouched
    }

    // A tree directory's closing backslash: dropped when the text is longer than a drive
    // root, kept on a root (three characters) and on anything shorter.
    {
        HeapText tree(text);
        DropTreeClosingBackslash(tree.get());
        std::string after = tree.get();
        bool drops = text.size() > 3 && text.back() == '\\';
        FUZZ_CHECK(after == (drops ? text.substr(0, text.size() - 1) : text));
    }

    if (mode & 0x80) {
        Reader more(data, size);   // the text's own bytes choose how the walk is disturbed
        more.Bytes(3);
        CheckWalkOverGrowingText(stripped, more);
    }
    return 0;
}
