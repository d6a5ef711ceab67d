/* Resource and control identifiers of the installer, and the records that need no platform
 * header (so that the platform-free rules can be built and fuzzed natively). windres reads
 * this header too: it sees the #defines only. */
#ifndef VENDREL0_H
#define VENDREL0_H

#define IDD_INSTALL         99      /* the installer dialog template */
#define IDS_APPNAME         1       /* "Quillmar installation"; its first nine characters name the app */

/* Per group: drive combo box = group * 100 + 1, directory tree + 2, file list + 3,
 * group box + 5, radio buttons + 9 to + 11, new-path edit field + 12. */

/* Program group: where quillmar.exe, install.exe and userhelp.hlp go. */
#define IDC_PROG_DRIVE      101
#define IDC_PROG_DIR        102
#define IDC_PROG_FILE       103
#define IDC_PROG_GROUP      105
#define IDC_PROG_EXISTING   109
#define IDC_PROG_DEFAULT    110
#define IDC_PROG_NEW        111
#define IDC_PROG_NEWPATH    112

/* Criteria group: where criteria.inc and criteria.exc go. */
#define IDC_CRIT_DRIVE      201
#define IDC_CRIT_DIR        202
#define IDC_CRIT_FILE       203
#define IDC_CRIT_GROUP      205
#define IDC_CRIT_EXISTING   209
#define IDC_CRIT_NEW        210
#define IDC_CRIT_NEWPATH    212

/* Editor group: the user's text editor program. */
#define IDC_EDITOR_DRIVE    301
#define IDC_EDITOR_DIR      302
#define IDC_EDITOR_FILE     303

#define IDC_STATIC_UNUSED   65535   /* labels, frames and lines that nothing addresses */

#ifndef RC_INVOKED
#include <stdint.h>

constexpr int kPathSize = 260;        // a path buffer: 259 characters and a NUL
constexpr int kLineTextSize = 256;    // text read back from a list box, and the tree's working lines
// Lines of one directory tree: the open path and at least 5,000 subdirectories of the open
// directory at any depth, with the end marker (see treecore.h). 1.3 MB an array.
constexpr int kDirBoxEntries = 5128;

// One line of a directory tree list box: the drive root at Level 0, or Level blanks and a
// directory name at Level n. Level -1 marks a free entry; the first one is the end marker.
struct DirBoxInfo {
    int32_t Level;
    char String[kPathSize];
};

extern DirBoxInfo Struct1[kDirBoxEntries];   // shadows IDC_PROG_DIR
extern DirBoxInfo Struct2[kDirBoxEntries];   // shadows IDC_CRIT_DIR
extern DirBoxInfo Struct3[kDirBoxEntries];   // shadows IDC_EDITOR_DIR
#endif

#endif
