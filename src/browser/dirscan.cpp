// The browsers' directory listing: see dirscan.h.
#include "dirscan.h"

#include "treecore.h"

bool DirScanStart(DirScan *scan, const char *pattern)
{
    WCHAR wide[kPathSize];
    scan->Find = INVALID_HANDLE_VALUE;
    if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, wide, kPathSize) == 0)
        return false;
    scan->Find = FindFirstFileW(wide, &scan->Found);
    scan->Started = false;
    return scan->Find != INVALID_HANDLE_VALUE;
}

// The entry's name in the code page, exactly, and one that a path reaches.
static bool NameOf(const WIN32_FIND_DATAW &found, char (&name)[kPathSize])
{
    return ExactAnsi(found.cFileName, name) && IsNameableEntry(name);
}

bool DirScanNext(DirScan *scan)
{
    for (;;) {
        if (scan->Started && !FindNextFileW(scan->Find, &scan->Found))
            return false;
        scan->Started = true;
        if (NameOf(scan->Found, scan->Name)) {
            scan->Attributes = scan->Found.dwFileAttributes;
            return true;
        }
    }
}

void DirScanEnd(DirScan *scan)
{
    if (scan->Find != INVALID_HANDLE_VALUE)
        FindClose(scan->Find);
    scan->Find = INVALID_HANDLE_VALUE;
}

void ListFillStart(HWND hList)
{
    HideListTip(hList);
    SendMessageA(hList, WM_SETREDRAW, FALSE, 0);
}

// Turning redraw back on repaints nothing by itself, and an invalidated client area leaves the
// non-client area, where the scroll bar lives, as it was.
void ListFillEnd(HWND hList)
{
    SendMessageA(hList, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(hList, NULL, NULL, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}
