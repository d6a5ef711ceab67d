// The location browser's platform-free rules (see treecore.h). The tree's shape is checked
// before every use, so a damaged array gives a refusal, never a read past entry 199 or a
// write past a buffer.
#include "treecore.h"

#include <string.h>

#include "strbuf.h"

DirBoxInfo *TreeFor(int DirBoxNum)
{
    switch (DirBoxNum) {
    case IDC_PROG_DIR:   return Struct1;
    case IDC_CRIT_DIR:   return Struct2;
    case IDC_EDITOR_DIR: return Struct3;
    default:             return nullptr;
    }
}

// The name of entry e at depth level: its String after exactly level blanks of indentation.
// Null when the String has no terminator, lacks the blanks or has no name after them.
static const char *EntryName(const DirBoxInfo &e, int level)
{
    if (StrLengthN(e.String, sizeof e.String) == sizeof e.String)
        return nullptr;
    for (int i = 0; i < level; i++)
        if (e.String[i] != ' ')
            return nullptr;
    const char *name = e.String + level;
    return *name != 0 ? name : nullptr;
}

// True when `line` stands before the end marker and entries 0 to its Level - 1 are the open
// path above it, each at the index of its Level. Only line 0 is at Level 0.
static bool IsTreeLine(const DirBoxInfo *tree, int line)
{
    if (line < 0 || line >= kDirBoxEntries)
        return false;
    int n = tree[line].Level;
    if (n < 0 || n > line || (n == 0) != (line == 0))
        return false;
    for (int i = 0; i < line; i++) {
        if (tree[i].Level == -1)
            return false;
        if (i < n && tree[i].Level != i)
            return false;
    }
    return true;
}

bool TreeLinePath(const DirBoxInfo *tree, int line, char *dst, size_t size)
{
    if (size == 0)
        return false;
    dst[0] = 0;
    if (!IsTreeLine(tree, line))
        return false;

    int n = tree[line].Level;
    bool ok = true;
    for (int i = 0; i <= n && ok; i++) {
        // The open path above the line, then the line itself in place of entry n.
        const DirBoxInfo &e = i < n ? tree[i] : tree[line];
        const char *name = EntryName(e, i);
        ok = name != nullptr && StrAppendN(dst, size, name);
        if (ok && i > 0)
            ok = StrAppendCharN(dst, size, '\\');
    }
    if (!ok)
        dst[0] = 0;
    return ok;
}

bool TreeLinePattern(const DirBoxInfo *tree, int line, char *dst, size_t size)
{
    if (!TreeLinePath(tree, line, dst, size))
        return false;
    if (StrAppendN(dst, size, "*.*"))
        return true;
    dst[0] = 0;
    return false;
}

bool IsDotEntry(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool IsNameableEntry(const char *name)
{
    size_t len = strlen(name);
    return IsDotEntry(name) || (len > 0 && name[len - 1] != '.' && name[len - 1] != ' ');
}

bool IsTreeDirEntry(uint32_t attributes, const char *name)
{
    return (attributes & kAttrDirectory) != 0 && !IsDotEntry(name);
}

bool IsListedFile(uint32_t attributes)
{
    return (attributes & (kAttrArchive | kAttrReadOnly)) != 0 &&
           (attributes & kAttrDirectory) == 0;
}

bool TreeSubdirFits(const char *openPath, int level, const char *name)
{
    size_t nameLen = strlen(name);
    if (level < 0 || nameLen == 0)
        return false;
    // level blanks + name + NUL, and openPath + name + "\*.*" + NUL.
    return (size_t)level + nameLen + 1 <= (size_t)kLineTextSize &&
           strlen(openPath) + nameLen + 5 <= (size_t)kPathSize;
}

int TreeSubdirRoom(int open)
{
    if (open < 0 || open > kDirBoxEntries - 2)
        return 0;
    return kDirBoxEntries - 2 - open;
}

bool TreeStartRoot(DirBoxInfo *tree, const char *driveText)
{
    char root[kLineTextSize] = "";
    if (*driveText == 0 || !StrCopy(root, driveText) || !StrAppendChar(root, '\\'))
        return false;
    if (strlen(root) + 4 > (size_t)kPathSize)   // the root's pattern, root + "*.*"
        return false;

    for (int i = 0; i < kDirBoxEntries; i++) {
        tree[i].Level = -1;
        tree[i].String[0] = 0;
    }
    StrCopy(tree[0].String, root);
    tree[0].Level = 0;
    return true;
}

int TreeOpenLine(DirBoxInfo *tree, int clicked)
{
    if (!IsTreeLine(tree, clicked) || EntryName(tree[clicked], tree[clicked].Level) == nullptr)
        return -1;
    int open = tree[clicked].Level;
    if (open != clicked)
        tree[open] = tree[clicked];
    for (int i = open + 1; i < kDirBoxEntries; i++)
        tree[i].Level = -1;
    return open;
}

bool TreeSubdirsStart(TreeSubdirs *adding, const DirBoxInfo *tree, int open)
{
    adding->Open = open;
    adding->At = -1;
    if (!IsTreeLine(tree, open) || tree[open].Level != open ||
        !TreeLinePath(tree, open, adding->OpenPath, sizeof adding->OpenPath))
        return false;
    // Only the open directory takes subdirectories: every line below it is one of them.
    int at = open + 1;
    while (at < kDirBoxEntries && tree[at].Level != -1) {
        if (tree[at].Level != open + 1)
            return false;
        at++;
    }
    adding->At = at;
    return true;
}

int TreeSubdirsAdd(TreeSubdirs *adding, DirBoxInfo *tree, const char *name)
{
    int open = adding->Open;
    int at = adding->At;
    int level = open + 1;
    if (at <= open || at - open > TreeSubdirRoom(open) || tree[at].Level != -1 || tree[open].Level != open ||
        !TreeSubdirFits(adding->OpenPath, level, name))
        return -1;
    DirBoxInfo &e = tree[at];
    memset(e.String, ' ', (size_t)level);
    e.String[level] = 0;
    if (!StrAppend(e.String, name)) {
        e.String[0] = 0;
        return -1;
    }
    e.Level = level;
    adding->At = at + 1;
    return at;
}

int TreeAddSubdir(DirBoxInfo *tree, int open, const char *name)
{
    TreeSubdirs adding;
    return TreeSubdirsStart(&adding, tree, open) ? TreeSubdirsAdd(&adding, tree, name) : -1;
}

bool TreeIsMoreLine(const DirBoxInfo *tree, int64_t sel, int64_t count)
{
    return sel >= 0 && sel == TreeLineCount(tree) && count == sel + 1;
}

int TreeLineCount(const DirBoxInfo *tree)
{
    int n = 0;
    while (n < kDirBoxEntries && tree[n].Level != -1)
        n++;
    return n;
}

int TreeLineIndex(int64_t sel)
{
    return sel >= 0 && sel < kDirBoxEntries ? (int)sel : -1;
}
