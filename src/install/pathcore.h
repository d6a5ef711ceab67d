// The installation's rules for turning text into paths: the check of a typed directory, its
// closing backslashes, its rebuild level by level, the tree directory's closing backslash and
// the composition of a name in a folder. Pure functions over caller buffers: no platform call
// and no global, so that they can be built and exercised natively as well as in the program.
#ifndef PATHCORE_H
#define PATHCORE_H

#include <stddef.h>

// The size of every path buffer of the installation: 259 characters and a NUL (the program's
// kPathSize, which this header cannot take from vendrel.h without the platform's headers).
constexpr size_t kCorePathSize = 260;

// ---- typed directories ----

// A typed directory is accepted when its second character is a colon. Only the colon is
// tested, not the drive letter: " c:\x" (a leading blank) is refused, "1:\x" is accepted.
// An empty or one-character text is refused.
bool TypedPathHasDrive(const char *typed);

// Removes the closing backslashes of path in place: from the last character backwards, each
// backslash becomes NUL, stopping at the first other character. The first character is never
// touched, so a text of backslashes keeps its first one, and after an accepted check the drive
// letter and colon always remain.
void StripClosingBackslashes(char *path);

// The walk over a typed directory that yields, one level at a time, the path of each level
// to create, from the top: the drive letter and colon, then each level name, every run of
// backslashes collapsed to one. "c:\a\\b" yields c:\a, then c:\a\b; "d:tools\new" yields
// d:tools, then d:tools\new (relative to that drive's current directory). After the last
// level, Path holds the rebuilt directory; a directory of only drive and colon yields no
// level and leaves Path as those two characters. Path is never longer than the typed text,
// so it always fits its buffer.
struct LevelWalk {
    const char *Next;            // the first character of the typed text not yet read
    char Path[kCorePathSize];    // the levels yielded so far: the current level's path
};

// Starts a walk over typed, a directory that passed TypedPathHasDrive and whose closing
// backslashes are removed. False (and nothing to walk) when typed fails the check or does not
// fit a path buffer. The walk reads typed as it goes: keep it unchanged until the walk ends.
bool LevelWalkStart(LevelWalk *walk, const char *typed);

// Adds the next level to walk->Path and returns true; returns false when no level is left.
// Closing backslashes that were not removed yield no empty level.
bool LevelWalkNext(LevelWalk *walk);

// The whole walk at once: out (size bytes) := the rebuilt directory of typed. False, with out
// unchanged, when typed cannot be walked or the result does not fit out.
bool RebuildTypedPath(char *out, size_t size, const char *typed);

// ---- directories from a tree list ----

// A tree list gives a directory with one closing backslash ("C:\TOOLS\"), a drive root as its
// three characters ("C:\"). Removes that closing backslash in place when the path is longer
// than three characters; a drive root keeps its backslash, an empty text stays empty.
void DropTreeClosingBackslash(char *path);

// ---- names ----

// out (size bytes) := folder, one backslash, name. True when the whole name fits; false, with
// out unchanged, when it does not: a name is never cut. A folder that already ends in a
// backslash (a drive root) gets a second one, which the platform reads as one. out may be
// folder itself; it must not overlap name.
bool ComposeName(char *out, size_t size, const char *folder, const char *name);

template <size_t N> inline bool ComposeName(char (&out)[N], const char *folder, const char *name)
{
    return ComposeName(out, N, folder, name);
}

#endif
