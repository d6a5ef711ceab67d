// Reading a directory for the browsers: its entries, each with a name that the program's
// ANSI calls reach exactly, as the tree and file lists show it; and the lists' refills.
#ifndef DIRSCAN_H
#define DIRSCAN_H

#include "vendrel.h"

// One listing of a search pattern. The names come from the platform's wide listing and are
// converted to the ANSI code page; an entry whose name does not convert exactly (a character
// outside the code page, which would come through as a look-alike or a '?') or that the
// platform would read as another name (a closing '.' or blank) is passed over: a path built
// from it would reach another entry, or none.
struct DirScan {
    HANDLE Find;
    bool Started;
    WIN32_FIND_DATAW Found;
    DWORD Attributes;          // the current entry's attributes
    char Name[kPathSize];      // the current entry's name
};

// Opens the listing of pattern. False when it cannot be listed (nothing to close then).
bool DirScanStart(DirScan *scan, const char *pattern);
// Moves to the next entry that can be named; false when there is none left.
bool DirScanNext(DirScan *scan);
void DirScanEnd(DirScan *scan);

// Every refill of a browser's list box lies between these two: the list draws nothing while it
// changes, then repaints whole, its frame and scroll bar too (which may have come or gone).
void ListFillStart(HWND hList);
void ListFillEnd(HWND hList);

#endif
