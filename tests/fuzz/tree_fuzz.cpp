// The directory tree's array: a sequence of operations on one DirBoxInfo array of exactly
// kDirBoxEntries entries, as the browser makes them (start at a drive root, open a line and
// list its subdirectories, read the path and search pattern of a line), and some that it
// never makes (a name added directly, whatever its length; an array damaged at random).
//
// While the array is well formed a model follows it: the root's text, the names of the open
// path and the names listed beneath the open directory. After every operation the array must
// be exactly what the model says (entry 0 the root at Level 0, entries 0 to L the open path at
// Level k, subdirectories at Level L + 1 with exactly L + 1 blanks before their names, the end
// marker and only free entries up to the last), and the path of every line must be the
// model's: the root, the names down to the line, each closed by "\", and it must fit a path
// buffer with its search pattern. Once damaged, only the rules that hold for any content are
// checked: no access outside the array or a buffer, a refusal changes nothing, and a path, an
// opened line or an added line that the rules accept is what a path or a line is (CheckedPath).
//
// Input: a sequence of up to 256 operations, each an operation byte and its arguments: byte % 6
// is 0 start at a root, 1 open a line, 2 and 3 read a path, 4 add a name, 5 damage an entry
// (see LLVMFuzzerTestOneInput at the end and each operation's function).
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzzcheck.h"
#include "treecore.h"

namespace {

constexpr int kLastEntry = kDirBoxEntries - 1;

struct Model {
    bool valid = false;                 // the array is a tree that this model describes
    std::string root;                   // entry 0's text, e.g. C:\ .
    std::vector<std::string> open;      // names of entries 1 to L
    std::vector<std::string> subdirs;   // names of entries L + 1 to L + N

    int L() const { return (int)open.size(); }
    int Count() const { return L() + (int)subdirs.size() + 1; }

    // Level of line s (s < Count()).
    int LevelOf(int s) const { return s <= L() ? s : L() + 1; }

    std::string Name(int s) const { return s <= L() ? open[s - 1] : subdirs[s - L() - 1]; }

    std::string PathOf(int s) const
    {
        std::string p = root;
        for (int k = 1; k <= std::min(s, L()); k++)
            p += open[k - 1] + "\\";
        if (s > L())
            p += subdirs[s - L() - 1] + "\\";
        return p;
    }
};

using Tree = std::unique_ptr<DirBoxInfo[]>;

// The number of lines: the index of the end marker, the first free entry.
int Lines(const DirBoxInfo *tree);

// A copy of the array, to tell what an operation changed: every entry's Level, and the whole of
// the lines, the end marker and the entry after it (a free entry's String is never read, and
// copying 1.3 MB an operation would leave little time to fuzz). One at a time: the next call
// overwrites it. (memcpy, not a vector's copy: the sanitizer's memmove is byte by byte.)
struct Copy {
    DirBoxInfo entries[kDirBoxEntries];
    int whole;   // entries copied whole
};
const DirBoxInfo *Snapshot(const DirBoxInfo *tree)
{
    static Copy copy;
    copy.whole = std::min(Lines(tree) + 2, kDirBoxEntries);
    memcpy(copy.entries, tree, sizeof(DirBoxInfo) * copy.whole);
    for (int i = copy.whole; i < kDirBoxEntries; i++)
        copy.entries[i].Level = tree[i].Level;
    return copy.entries;
}

bool Unchanged(const DirBoxInfo *tree, const DirBoxInfo *before)
{
    int whole = ((const Copy *)before)->whole;
    if (memcmp(tree, before, sizeof(DirBoxInfo) * whole) != 0)
        return false;
    for (int i = whole; i < kDirBoxEntries; i++)
        if (tree[i].Level != before[i].Level)
            return false;
    return true;
}

int Lines(const DirBoxInfo *tree)
{
    int n = 0;
    while (n < kDirBoxEntries && tree[n].Level != -1)
        n++;
    return n;
}

bool StringIs(const DirBoxInfo &e, const std::string &text)
{
    return memchr(e.String, 0, sizeof e.String) != nullptr && text == e.String;
}

// A line index as the list box would give it: mostly around the lines there are, now and then
// any selection at all.
int64_t PickLine(Reader &in, int count)
{
    uint8_t b = in.Byte();
    if (b >= 0xf0)
        return in.I64();
    if (b >= 0xe0)
        return kDirBoxEntries - 3 + (b & 0x0f) % 6;   // around the array's end
    return (int64_t)(b % (count + 3)) - 1;           // -1 to count + 1
}

// A directory name as a file system might return it, or not quite: short, long (up to 259
// bytes, what a find record holds), dot entries, blanks, empty.
std::string PickName(Reader &in)
{
    static const char *const kOdd[] = {".", "..", "...", ". ", " .", ".x", "..x", " ",
                                       "  ", "a", "A", "a b", "\xe9t\xe9", "x\\y"};
    uint8_t kind = in.Byte();
    switch (kind % 4) {
    case 0:
        return kOdd[(kind >> 2) % (sizeof kOdd / sizeof kOdd[0])];
    case 1:
        return std::string(1 + (kind >> 2) % 8, 'a' + (kind >> 5));
    default:
        return ReadText(in, kPathSize - 1);
    }
}

// The path of a line, whatever the array holds, checked against what a path is: the root's
// text for line 0; for a line at Level n >= 1, the path of its parent entry n - 1 (which is at
// Level n - 1, on the open path) followed by the line's name (its String after exactly n
// blanks, a NUL-terminated text) and "\". Holds for a damaged array as for a sound one: a
// line that is not such a line has no path. Returns false when the line has none.
bool CheckedPath(const DirBoxInfo *tree, int line, std::string *path, int depth = 0)
{
    const size_t kRoomy = 4 * kPathSize;
    HeapBuf dst(kRoomy);
    if (!TreeLinePath(tree, line, dst.get(), kRoomy)) {
        FUZZ_CHECK(dst.get()[0] == 0);
        return false;
    }
    FUZZ_CHECK(strnlen(dst.get(), kRoomy) < kRoomy);
    *path = dst.get();
    FUZZ_CHECK(line >= 0 && line < Lines(tree) && depth < kDirBoxEntries);   // a line, not a free entry
    const DirBoxInfo &e = tree[line];
    FUZZ_CHECK(memchr(e.String, 0, sizeof e.String) != nullptr);   // only terminated texts
    if (line == 0) {
        FUZZ_CHECK(e.Level == 0 && *path == e.String);
        return true;
    }
    int n = e.Level;
    FUZZ_CHECK(n >= 1 && n <= line);   // only line 0 is a root
    FUZZ_CHECK(tree[n - 1].Level == n - 1);
    std::string blanks(n, ' ');
    std::string text = e.String;
    FUZZ_CHECK(text.size() > (size_t)n && text.compare(0, n, blanks) == 0);
    std::string parent;
    FUZZ_CHECK(CheckedPath(tree, n - 1, &parent, depth + 1));
    FUZZ_CHECK(*path == parent + text.substr(n) + "\\");
    return true;
}

// The array against the model, entry by entry, and the path and pattern of lines: after each
// operation those of the open path and of the first and last subdirectories, at the end of an
// input those of every line (each path is a function of the array alone, which is checked
// whole every time).
void CheckAgainstModel(const DirBoxInfo *tree, const Model &m, bool everyLine = false)
{
    int count = m.Count();
    FUZZ_CHECK(count <= kLastEntry);   // the end marker is always inside the array

    FUZZ_CHECK(tree[0].Level == 0);
    FUZZ_CHECK(StringIs(tree[0], m.root));
    for (int s = 1; s < count; s++) {
        // Level blanks, then the name (compared in place: a tree may hold thousands of lines).
        int level = m.LevelOf(s);
        const std::string &name = s <= m.L() ? m.open[s - 1] : m.subdirs[s - m.L() - 1];
        const char *text = tree[s].String;
        FUZZ_CHECK(tree[s].Level == level);
        FUZZ_CHECK(memchr(text, 0, sizeof tree[s].String) != nullptr && strspn(text, " ") >= (size_t)level &&
                   strcmp(text + level, name.c_str()) == 0);
    }
    for (int s = count; s < kDirBoxEntries; s++)
        FUZZ_CHECK(tree[s].Level == -1);
    FUZZ_CHECK(TreeLineCount(tree) == count && Lines(tree) == count);

    char path[kPathSize];
    char pattern[kPathSize];
    for (int s = 0; s < count; s++) {
        if (!everyLine && s > m.L() + 1 && s < count - 1)
            continue;
        FUZZ_CHECK(TreeLinePath(tree, s, path, sizeof path));
        std::string want = m.PathOf(s);
        FUZZ_CHECK(want == path);
        FUZZ_CHECK(want.back() == '\\');
        // Every line can be listed: its pattern fits a path buffer.
        FUZZ_CHECK(TreeLinePattern(tree, s, pattern, sizeof pattern));
        FUZZ_CHECK(want + "*.*" == pattern);
    }
    for (int s : {-1, count, count + 1, kLastEntry, kDirBoxEntries}) {
        if (s >= count || s < 0) {
            path[0] = 'x';
            FUZZ_CHECK(!TreeLinePath(tree, s, path, sizeof path) && path[0] == 0);
        }
    }
}

// Lists the subdirectories of the open directory the way the browser does: the entries found
// are filtered (names a path reaches, directories, not "." or "..", whose line and pattern
// fit), sorted as the list box sorts them (ignoring case) and added in that order while the
// array has room.
void ListSubdirs(DirBoxInfo *tree, Model &m, Reader &in)
{
    int open = m.L();
    char openPath[kPathSize];
    FUZZ_CHECK(TreeLinePath(tree, open, openPath, sizeof openPath));

    struct Found {
        uint32_t attributes;
        std::string name;
    };
    std::vector<Found> found;
    int many = in.Byte();
    if (many >= 0xfc) {
        // Now and then a folder of thousands, around what the array can take: numbered names.
        // (Rarely: every later check of such a tree reads all its lines.)
        int count = kDirBoxEntries - 4 + (many - 0xfc) * 2;   // the array's room, give or take
        for (int i = 0; i < count; i++) {
            char name[16];
            snprintf(name, sizeof name, "n%05d", i);
            found.push_back({kAttrDirectory, name});
        }
        many = 0;
    }
    for (int i = 0; i < many && !in.Empty(); i++) {
        uint8_t a = in.Byte();
        // Mostly directories; any attribute bits now and then.
        uint32_t attributes = (a & 0x80) ? (uint32_t)(a & 0x7f) : kAttrDirectory | (a & 0x27);
        found.push_back({attributes, PickName(in)});
    }

    std::vector<std::string> listed;
    for (const Found &f : found) {
        // The directory scan passes over a name that a path cannot reach (a closing dot or
        // blank); the names target checks that rule.
        if (!IsNameableEntry(f.name.c_str()))
            continue;
        bool dir = IsTreeDirEntry(f.attributes, f.name.c_str());
        FUZZ_CHECK(dir == ((f.attributes & kAttrDirectory) && f.name != "." && f.name != ".."));
        FUZZ_CHECK(!(dir && IsListedFile(f.attributes)));   // never in both lists
        bool fits = TreeSubdirFits(openPath, open + 1, f.name.c_str());
        // A name is left out only when its line or its own search pattern would not fit.
        std::string line = std::string(open + 1, ' ') + f.name;
        std::string pattern = m.PathOf(open) + f.name + "\\*.*";
        FUZZ_CHECK(fits == (!f.name.empty() && line.size() < (size_t)kLineTextSize &&
                            pattern.size() < (size_t)kPathSize));
        if (dir && fits)
            listed.push_back(f.name);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const std::string &a, const std::string &b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });

    int room = TreeSubdirRoom(open);
    FUZZ_CHECK(room >= 0 && open + room <= kLastEntry - 1);
    TreeSubdirs adding;
    FUZZ_CHECK(TreeSubdirsStart(&adding, tree, open) && adding.At == m.Count() && adding.OpenPath == m.PathOf(open));
    for (const std::string &name : listed) {
        int at = TreeSubdirsAdd(&adding, tree, name.c_str());
        if (room == 0) {
            FUZZ_CHECK(at == -1);   // no room: refused, and so is every later name
            break;
        }
        FUZZ_CHECK(at == m.Count());   // at the end marker, in the order given
        m.subdirs.push_back(name);
        room--;
    }
    FuzzNote() += ", " + std::to_string(found.size()) + " entries found, " +
                  std::to_string(m.subdirs.size()) + " listed";
    // Names left out for want of room: the array is then full but for its end marker.
    if (m.subdirs.size() < listed.size())
        FUZZ_CHECK(m.Count() == kLastEntry);
}

// Starts the tree at a drive root and lists the root's subdirectories (FillDirectoryBox).
void StartRoot(DirBoxInfo *tree, Model &m, Reader &in)
{
    uint8_t kind = in.Byte();
    std::string drive;
    if (kind < 0xc0)
        drive = std::string(1, (char)('A' + kind % 26)) + ":";   // "%c:" as the drive list has it
    else
        drive = ReadText(in, kPathSize + 40);
    FuzzNote() = "start at drive \"" + Shown(drive) + "\"";

    const DirBoxInfo *before = Snapshot(tree);
    bool ok = TreeStartRoot(tree, drive.c_str());
    // Refused only when the root's line (the text, "\" and a NUL) would not fit.
    FUZZ_CHECK(ok == (!drive.empty() && drive.size() + 2 <= (size_t)kLineTextSize));
    if (!ok) {
        FUZZ_CHECK(Unchanged(tree, before));
        return;
    }
    m = Model();
    m.valid = true;
    m.root = drive + "\\";
    ListSubdirs(tree, m, in);
    CheckAgainstModel(tree, m);
}

// Opens a line (PartialFillDirBox): the open path down to it stays, it becomes the open
// directory, and its subdirectories are listed.
void OpenLine(DirBoxInfo *tree, Model &m, Reader &in)
{
    int64_t sel = PickLine(in, m.Count());
    int clicked = TreeLineIndex(sel);
    FUZZ_CHECK(clicked == ((sel >= 0 && sel < kDirBoxEntries) ? sel : -1));
    FuzzNote() = "open line " + std::to_string(sel);

    const DirBoxInfo *before = Snapshot(tree);
    int open = TreeOpenLine(tree, clicked);
    if (clicked < 0 || clicked >= m.Count()) {
        FUZZ_CHECK(open == -1);
        FUZZ_CHECK(Unchanged(tree, before));
        return;
    }
    std::string clickedPath = m.PathOf(clicked);
    FUZZ_CHECK(open == m.LevelOf(clicked));
    if (clicked > m.L())
        m.open.push_back(m.Name(clicked));
    else
        m.open.resize(clicked);
    m.subdirs.clear();
    FUZZ_CHECK(m.PathOf(open) == clickedPath);   // the opened line still names its directory
    ListSubdirs(tree, m, in);
    CheckAgainstModel(tree, m);
}

// The path and the pattern of a line into a buffer of exactly the size asked: the whole text
// when it fits, an empty buffer otherwise.
void ReadPaths(DirBoxInfo *tree, const Model *m, Reader &in)
{
    int64_t sel = PickLine(in, m ? m->Count() : kDirBoxEntries);
    int line = TreeLineIndex(sel);
    size_t size = in.U16() % (kPathSize + 41);
    FuzzNote() = "path of line " + std::to_string(sel) + " into " + std::to_string(size) + " bytes";
    const DirBoxInfo *before = Snapshot(tree);

    for (int pattern = 0; pattern < 2; pattern++) {
        HeapBuf dst(size);
        bool ok = pattern ? TreeLinePattern(tree, line, dst.get(), size)
                          : TreeLinePath(tree, line, dst.get(), size);
        if (ok) {
            FUZZ_CHECK(strnlen(dst.get(), size) < size);
        } else if (size > 0) {
            FUZZ_CHECK(dst.get()[0] == 0);
        }
        if (m != nullptr) {
            bool isLine = line >= 0 && line < m->Count();
            std::string want = isLine ? m->PathOf(line) + (pattern ? "*.*" : "") : "";
            FUZZ_CHECK(ok == (isLine && want.size() < size));
            if (ok)
                FUZZ_CHECK(want == dst.get());
        } else {
            std::string path;
            bool has = CheckedPath(tree, line, &path);
            std::string want = path + (pattern ? "*.*" : "");
            FUZZ_CHECK(ok == (has && want.size() < size));
            if (ok)
                FUZZ_CHECK(want == dst.get());
        }
    }
    FUZZ_CHECK(Unchanged(tree, before));
    if (m != nullptr)
        FUZZ_CHECK(TreeLineCount(tree) == m->Count());
}

// A name added directly under a directory, whatever it is: stored at the end marker when the
// array has room and its line and pattern fit, refused with nothing changed otherwise.
void AddDirectly(DirBoxInfo *tree, Model *m, Reader &in)
{
    int open = m ? m->L() : (int)(in.Byte() % (kDirBoxEntries + 2)) - 1;
    std::string name = PickName(in);
    FuzzNote() = "add \"" + Shown(name) + "\" under line " + std::to_string(open);
    const DirBoxInfo *before = Snapshot(tree);
    int at = TreeAddSubdir(tree, open, name.c_str());
    if (at < 0) {
        FUZZ_CHECK(at == -1);
        FUZZ_CHECK(Unchanged(tree, before));
    } else {
        // The entry that was the end marker now holds the line; nothing else changed.
        FUZZ_CHECK(open >= 0 && at > open && at <= kLastEntry - 1);
        FUZZ_CHECK(open < Lines(before) && at == Lines(before));   // at the end marker
        FUZZ_CHECK(tree[at].Level == open + 1);
        FUZZ_CHECK(StringIs(tree[at], std::string(open + 1, ' ') + name));
        int whole = ((const Copy *)before)->whole;
        FUZZ_CHECK(at < whole && memcmp(tree, before, sizeof(DirBoxInfo) * at) == 0 &&
                   memcmp(tree + at + 1, before + at + 1, sizeof(DirBoxInfo) * (whole - at - 1)) == 0);
        for (int i = whole; i < kDirBoxEntries; i++)
            FUZZ_CHECK(tree[i].Level == before[i].Level);
        // It went under a directory of the open path, and it can be opened and listed.
        std::string openPath, path;
        FUZZ_CHECK(tree[open].Level == open && CheckedPath(tree, open, &openPath));
        FUZZ_CHECK(CheckedPath(tree, at, &path) && path == openPath + name + "\\");
        char pattern[kPathSize];
        FUZZ_CHECK(TreeLinePattern(tree, at, pattern, sizeof pattern));
    }
    if (m == nullptr)
        return;

    std::string line = std::string(open + 1, ' ') + name;
    std::string pattern = m->PathOf(open) + name + "\\*.*";
    bool room = m->Count() < kLastEntry;
    bool fits = !name.empty() && line.size() < (size_t)kLineTextSize &&
                pattern.size() < (size_t)kPathSize;
    FUZZ_CHECK((at >= 0) == (room && fits));
    if (at >= 0) {
        FUZZ_CHECK(at == m->Count());
        m->subdirs.push_back(name);
    }
    CheckAgainstModel(tree, *m);
}

// Damage: the array stops being a tree the model knows.
void Damage(DirBoxInfo *tree, Reader &in)
{
    uint8_t kind = in.Byte();
    int i = in.Byte() % kDirBoxEntries;
    FuzzNote() = "damage entry " + std::to_string(i);
    switch (kind % 5) {
    case 0: {
        static const int32_t kLevels[] = {-1, 0, 1, 2, kDirBoxEntries - 2, kDirBoxEntries - 1, kDirBoxEntries,
                                          255, 256, 260, -2, INT32_MAX, INT32_MIN};
        tree[i].Level = kLevels[(kind >> 3) % (sizeof kLevels / sizeof kLevels[0])];
        break;
    }
    case 1:
        tree[i].Level = i - 1 + (kind >> 3) % 3;   // i - 1, i or i + 1
        break;
    case 2:
        tree[i].Level = (int32_t)in.U32();
        break;
    case 3:
        memset(tree[i].String, in.Byte(), sizeof tree[i].String);   // often with no NUL at all
        break;
    default: {
        std::string text = std::string(in.Byte() % 8, ' ') + ReadText(in, kPathSize - 8);
        memcpy(tree[i].String, text.c_str(), text.size() + 1);
        break;
    }
    }
}

// Opening a line of a damaged array: a line it cannot trust is refused with nothing changed;
// a line it opens ends the array right after it.
void OpenDamaged(DirBoxInfo *tree, Reader &in)
{
    int64_t sel = PickLine(in, TreeLineCount(tree));
    int clicked = TreeLineIndex(sel);
    FuzzNote() = "open line " + std::to_string(sel) + " of a damaged tree";
    const DirBoxInfo *before = Snapshot(tree);
    int open = TreeOpenLine(tree, clicked);
    if (open < 0) {
        FUZZ_CHECK(open == -1);
        FUZZ_CHECK(Unchanged(tree, before));
        return;
    }
    FUZZ_CHECK(clicked >= 0 && clicked < Lines(before) && open <= clicked &&
               open == before[clicked].Level);
    FUZZ_CHECK(open > 0 || clicked == 0);   // only the root opens at the root's place
    for (int k = 0; k <= open; k++)
        FUZZ_CHECK(tree[k].Level == k);      // the open path down to the opened line
    // The opened line has a name: exactly its Level blanks, then at least one character.
    const DirBoxInfo &e = tree[open];
    FUZZ_CHECK(memchr(e.String, 0, sizeof e.String) != nullptr && strlen(e.String) > (size_t)open);
    for (int k = 0; k < open; k++)
        FUZZ_CHECK(e.String[k] == ' ');
    FUZZ_CHECK(memcmp(&tree[open], &before[clicked], sizeof(DirBoxInfo)) == 0);
    for (int i = 0; i < open; i++)
        FUZZ_CHECK(memcmp(&tree[i], &before[i], sizeof(DirBoxInfo)) == 0);
    for (int i = open + 1; i < kDirBoxEntries; i++)
        FUZZ_CHECK(tree[i].Level == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FUZZ_CHECK(TreeFor(IDC_PROG_DIR) == Struct1 && TreeFor(IDC_CRIT_DIR) == Struct2 &&
               TreeFor(IDC_EDITOR_DIR) == Struct3);

    // Zero-filled, as the program's arrays are before the first drive is shown: not a tree.
    Tree tree(new DirBoxInfo[kDirBoxEntries]());
    Model m;
    Reader in(data, size);
    for (int ops = 0; ops < 256 && !in.Empty(); ops++) {
        uint8_t op = in.Byte();
        Model *known = m.valid ? &m : nullptr;
        switch (op % 6) {
        case 0:
            StartRoot(tree.get(), m, in);
            break;
        case 1:
            if (known)
                OpenLine(tree.get(), m, in);
            else
                OpenDamaged(tree.get(), in);
            break;
        case 2:
        case 3:
            ReadPaths(tree.get(), known, in);
            break;
        case 4:
            AddDirectly(tree.get(), known, in);
            break;
        default:
            Damage(tree.get(), in);
            m.valid = false;
            break;
        }
        if (Tracing())
            fprintf(stderr, "%-60s -> %s, %d lines, open %d\n", FuzzNote().c_str(),
                    m.valid ? "tree" : "not a known tree", TreeLineCount(tree.get()),
                    m.valid ? m.L() : -1);
        if (!m.valid)
            FUZZ_CHECK(TreeLineCount(tree.get()) == Lines(tree.get()));
    }
    FuzzNote() = "the tree the input ends with";
    if (m.valid)
        CheckAgainstModel(tree.get(), m, true);
    return 0;
}
