// The location browser's rules that need no platform: which array shadows a tree, the full
// path and search pattern of a tree line, the array update when a directory is opened, and
// which directory entries become tree lines or file lines. Pure functions over the given
// arrays and buffers; nothing here reads or writes past entry kDirBoxEntries - 1 or past the
// size it is given.
#ifndef TREECORE_H
#define TREECORE_H

#include <stddef.h>
#include <stdint.h>

#include "vendrel0.h"

// Attribute bits of a directory entry, as the file system reports them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// The array that shadows directory list box DirBoxNum: 102 Struct1, 202 Struct2, 302 Struct3.
// Null for every other id.
DirBoxInfo *TreeFor(int DirBoxNum);

// Full path of tree line `line` into dst (size bytes): the root's text as it stands (C:\),
// then the names of entries 1 to Level - 1 and of the line itself, each followed by "\". Each
// entry loses exactly its Level blanks of indentation. False, with dst empty, when the line is
// not a line of a well-formed tree or the path does not fit.
bool TreeLinePath(const DirBoxInfo *tree, int line, char *dst, size_t size);

// The line's path followed by "*.*": what lists the directory's contents. False, dst empty,
// as for TreeLinePath.
bool TreeLinePattern(const DirBoxInfo *tree, int line, char *dst, size_t size);

// True for the entries named exactly "." and "..", which every directory but a root lists.
bool IsDotEntry(const char *name);

// True when a path that ends in name reaches the entry of that name: the platform drops a
// closing '.' or blank from a name in a path, so "trail." would reach "trail". Such entries
// are never shown, so that no line stands for another folder or file.
bool IsNameableEntry(const char *name);

// True when an entry with these attributes and this name is a subdirectory for the tree.
bool IsTreeDirEntry(uint32_t attributes, const char *name);

// True when an entry with these attributes is a file for the file list: archive or read-only
// set, directory clear. Hidden and system bits do not matter.
bool IsListedFile(uint32_t attributes);

// True when subdirectory `name` of a directory whose full path is openPath (with its closing
// "\") can be a tree line at depth level: its line (level blanks, the name, a NUL) fits a
// list-box text buffer, and its own search pattern (openPath, the name, "\*.*", a NUL) fits a
// path buffer. Every line in a tree can then be opened and listed.
bool TreeSubdirFits(const char *openPath, int level, const char *name);

// The most subdirectories that an open directory at index `open` can show: the array keeps
// its end marker, so entries open + 1 to kDirBoxEntries - 2 are the room (5,126 at the root).
int TreeSubdirRoom(int open);

// The deepest open directory that can have a subdirectory line: its path (a root of three
// characters, then a name and "\" a level) leaves room for a name and "\*.*" (TreeSubdirFits).
constexpr int kDeepestOpenLine = (kPathSize - 6 - 3) / 2;
static_assert(kDirBoxEntries - 2 - kDeepestOpenLine >= 5000, "5,000 subdirectories fit beneath any open directory");

// Starts a tree afresh for a drive: every entry freed and the root (driveText followed by "\")
// stored at entry 0, which becomes the open directory. False, the tree unchanged, when the
// root text would not fit a list-box line.
bool TreeStartRoot(DirBoxInfo *tree, const char *driveText);

// Opens line `clicked`: it moves to the index of its Level, its place on the open path, and
// every later entry is freed. Returns that index, the new open directory, or -1 with the tree
// unchanged when `clicked` is not a line of a well-formed tree.
int TreeOpenLine(DirBoxInfo *tree, int clicked);

// The subdirectories of open directory `open` stored one after the other, in the list box's
// sorted order: TreeSubdirsStart checks the tree once, each TreeSubdirsAdd stores one name.
struct TreeSubdirs {
    int Open;                   // the open directory
    int At;                     // the end marker, where the next name goes
    char OpenPath[kPathSize];   // the open directory's full path, with its closing "\"
};

// True when `open` is the open directory of a well-formed tree (every line below it is one of
// its subdirectories); adding then holds its path and the end marker.
bool TreeSubdirsStart(TreeSubdirs *adding, const DirBoxInfo *tree, int open);

// Stores `name` at the end marker, with Level open + 1 and as many blanks before the name.
// Returns the index stored, or -1 with the tree unchanged when the array has no room left, the
// line does not fit (TreeSubdirFits) or the tree is no longer as TreeSubdirsStart left it.
int TreeSubdirsAdd(TreeSubdirs *adding, DirBoxInfo *tree, const char *name);

// One name at once, TreeSubdirsStart then TreeSubdirsAdd: -1, the tree unchanged, when either
// refuses.
int TreeAddSubdir(DirBoxInfo *tree, int open, const char *name);

// A tree that cannot show all of its open directory's subdirectories says so on one more line
// of its list box, after the last line of the array. True when selection `sel` of a list box
// of `count` lines is that line: it stands for no folder.
bool TreeIsMoreLine(const DirBoxInfo *tree, int64_t sel, int64_t count);

// A list box's selection as an array index: -1 for none (LB_ERR) or one no array can hold.
int TreeLineIndex(int64_t sel);

// Index of the tree's end marker, or kDirBoxEntries when there is none: the number of lines.
int TreeLineCount(const DirBoxInfo *tree);

#endif
