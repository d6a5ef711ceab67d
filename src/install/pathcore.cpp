// The installation's path rules (see pathcore.h). No platform call here: the callers in
// savefiles.cpp and okcmd.cpp create, copy and write; this file only decides the text.
#include "pathcore.h"

#include <string.h>

#include "strbuf.h"

bool TypedPathHasDrive(const char *typed)
{
    // typed[1] is read only when typed[0] is not the terminator.
    return typed[0] != '\0' && typed[1] == ':';
}

void StripClosingBackslashes(char *path)
{
    size_t i = strlen(path);
    while (i > 1 && path[i - 1] == '\\') {
        path[i - 1] = '\0';
        i--;
    }
}

bool LevelWalkStart(LevelWalk *walk, const char *typed)
{
    walk->Next = "";
    walk->Path[0] = '\0';
    if (!TypedPathHasDrive(typed) || StrLengthN(typed, kCorePathSize) >= kCorePathSize)
        return false;
    walk->Path[0] = typed[0];
    walk->Path[1] = typed[1];
    walk->Path[2] = '\0';
    walk->Next = typed + 2;
    return true;
}

bool LevelWalkNext(LevelWalk *walk)
{
    const char *p = walk->Next;
    bool separated = (*p == '\\');
    while (*p == '\\')
        p++;
    if (*p == '\0') {
        walk->Next = p;
        return false;
    }
    const char *end = p;
    while (*end != '\0' && *end != '\\')
        end++;

    // Each level adds at most what it read of typed, which fitted the buffer, so this test
    // only guards a walk whose typed text was changed under it.
    size_t have = strlen(walk->Path);
    size_t name = (size_t)(end - p);
    if (have + (separated ? 1 : 0) + name >= sizeof walk->Path) {
        walk->Next = "";
        return false;
    }
    if (separated)
        walk->Path[have++] = '\\';
    memcpy(walk->Path + have, p, name);
    walk->Path[have + name] = '\0';
    walk->Next = end;
    return true;
}

bool RebuildTypedPath(char *out, size_t size, const char *typed)
{
    LevelWalk walk;
    if (!LevelWalkStart(&walk, typed))
        return false;
    while (LevelWalkNext(&walk)) {
    }
    size_t len = strlen(walk.Path);
    if (len >= size)
        return false;
    memcpy(out, walk.Path, len + 1);
    return true;
}

void DropTreeClosingBackslash(char *path)
{
    size_t len = strlen(path);
    if (len > 3 && path[len - 1] == '\\')
        path[len - 1] = '\0';
}

bool ComposeName(char *out, size_t size, const char *folder, const char *name)
{
    size_t lf = strlen(folder);
    size_t ln = strlen(name);
    if (lf + 1 + ln >= size)
        return false;
    if (out != folder)
        memmove(out, folder, lf);
    out[lf] = '\\';
    memcpy(out + lf + 1, name, ln + 1);
    return true;
}
