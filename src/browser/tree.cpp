// The directory trees: the DirBoxInfo arrays that shadow the three directory list boxes line
// by line, the tree of a drive root, the opening of a tree line, and the full path of the
// selected line. The rules themselves are in treecore.cpp; this file moves lines between the
// arrays, the file system and the list boxes.
#include "vendrel.h"

#include "dirscan.h"
#include "strbuf.h"
#include "treecore.h"

DirBoxInfo Struct1[kDirBoxEntries];
DirBoxInfo Struct2[kDirBoxEntries];
DirBoxInfo Struct3[kDirBoxEntries];
DirBoxInfo *LbStructPtr;

// The last line of a tree that cannot show all of the open directory's subdirectories:
// "(1,234 more folders not shown)".
static void MoreLineText(char (&text)[kLineTextSize], LRESULT more)
{
    char number[16];
    char *p = number + sizeof number - 1;
    *p = 0;
    LRESULT n = more;
    for (int digits = 0; digits == 0 || n > 0; digits++, n /= 10) {
        if (digits > 0 && digits % 3 == 0)
            *--p = ',';
        *--p = (char)('0' + n % 10);
    }
    StrCopy(text, "(");
    StrAppend(text, p);
    StrAppend(text, more == 1 ? " more folder not shown)" : " more folders not shown)");
}

// Lists the subdirectories of open directory `open` beneath it and rebuilds list box
// DirBoxNum from the array, with the open directory selected. The list box sorts the names
// (alphabetical, ignoring case); the array takes them in that order as far as it has room (at
// least 5,000), and a last line says how many more there are. Names whose line or search
// pattern would not fit are never listed. The list box repaints once.
static void ListSubdirs(HWND hDlg, int DirBoxNum, DirBoxInfo *tree, int open)
{
    HWND hList = GetDlgItem(hDlg, DirBoxNum);
    TreeSubdirs adding;
    char pattern[kPathSize];
    bool canList = TreeSubdirsStart(&adding, tree, open) && TreeLinePattern(tree, open, pattern, sizeof pattern);

    ListFillStart(hList);
    SendMessageA(hList, LB_RESETCONTENT, 0, 0);

    // The list box gathers the names and sorts them.
    DirScan scan;
    if (canList && DirScanStart(&scan, pattern)) {
        while (DirScanNext(&scan)) {
            if (IsTreeDirEntry(scan.Attributes, scan.Name) && TreeSubdirFits(adding.OpenPath, open + 1, scan.Name))
                SendMessageA(hList, LB_ADDSTRING, 0, (LPARAM)scan.Name);
        }
        DirScanEnd(&scan);
    }

    // Take them in sorted order into the array, as far as it has room.
    LRESULT count = SendMessageA(hList, LB_GETCOUNT, 0, 0);
    LRESULT shown = 0;
    char name[kLineTextSize];
    for (LRESULT i = 0; canList && i < count; i++) {
        LRESULT len = SendMessageA(hList, LB_GETTEXTLEN, (WPARAM)i, 0);
        if (len == LB_ERR || len >= (LRESULT)sizeof name ||
            SendMessageA(hList, LB_GETTEXT, (WPARAM)i, (LPARAM)name) == LB_ERR ||
            TreeSubdirsAdd(&adding, tree, name) < 0)
            break;
        shown++;
    }

    // Line k shows entry k: insertion at an index never sorts.
    int lines = TreeLineCount(tree);
    SendMessageA(hList, LB_RESETCONTENT, 0, 0);
    SendMessageA(hList, LB_INITSTORAGE, (WPARAM)lines + 1, (LPARAM)(lines + 1) * 32);
    for (int k = 0; k < lines; k++)
        SendMessageA(hList, LB_INSERTSTRING, (WPARAM)k, (LPARAM)tree[k].String);
    if (count > shown) {
        MoreLineText(name, count - shown);
        SendMessageA(hList, LB_INSERTSTRING, (WPARAM)lines, (LPARAM)name);
    }
    SendMessageA(hList, LB_SETCURSEL, (WPARAM)open, 0);

    ListFillEnd(hList);
}

// Starts the tree of list box DirBoxNum afresh at the root of the drive selected in combo box
// DriveBoxNum: the root line, selected, and the root's subdirectories beneath it. Returns 1
// when the tree was filled; 0, with nothing changed, for a list box that no array shadows or
// a drive box without a selected drive.
int FillDirectoryBox(HWND hDlg, int DriveBoxNum, int DirBoxNum)
{
    DirBoxInfo *tree = TreeFor(DirBoxNum);
    if (tree == nullptr) {
        ShowError(hDlg, "ERROR in FillDirBox");
        ShowError(hDlg, "ERROR in FillDirBox");
        return 0;
    }

    char driveStr[5];
    LRESULT sel = SendDlgItemMessageA(hDlg, DriveBoxNum, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return 0;
    LRESULT len = SendDlgItemMessageA(hDlg, DriveBoxNum, CB_GETLBTEXTLEN, (WPARAM)sel, 0);
    if (len == CB_ERR || len <= 0 || len >= (LRESULT)sizeof driveStr)
        return 0;
    if (SendDlgItemMessageA(hDlg, DriveBoxNum, CB_GETLBTEXT, (WPARAM)sel, (LPARAM)driveStr) == CB_ERR)
        return 0;

    if (!TreeStartRoot(tree, driveStr))
        return 0;
    ListSubdirs(hDlg, DirBoxNum, tree, 0);
    LbStructPtr = tree + TreeLineCount(tree);
    return 1;
}

// Opens the selected line of tree DirBoxNum (the line the user double-clicked): the open path
// down to it stays, every other line goes, and its subdirectories are listed beneath it. The
// line stays selected.
void PartialFillDirBox(HWND hDlg, int DirBoxNum)
{
    LRESULT curPos = SendDlgItemMessageA(hDlg, DirBoxNum, LB_GETCURSEL, 0, 0);
    DirBoxInfo *tree = TreeFor(DirBoxNum);
    if (tree == nullptr)
        ShowError(hDlg, "ERROR in PartialDirBox");
    if (curPos == LB_ERR) {
        ShowError(hDlg, "Error filling directory details");
        return;
    }
    if (tree == nullptr) {
        ShowError(hDlg, "ERROR in FileFileBox");
        ShowError(hDlg, "ERROR in FileFileBox");
        return;
    }

    // The line that says how many folders are not shown opens nothing.
    if (TreeIsMoreLine(tree, curPos, SendDlgItemMessageA(hDlg, DirBoxNum, LB_GETCOUNT, 0, 0)))
        return;
    int open = TreeOpenLine(tree, TreeLineIndex(curPos));
    if (open < 0) {
        // The selection is no line of the array: the list and its array disagree.
        ShowError(hDlg, "Error filling directory details");
        return;
    }
    ListSubdirs(hDlg, DirBoxNum, tree, open);
}

// The full path of the selected line of tree ListBoxNum, always with a closing "\" (a drive
// root is its three characters, C:\). The result is a static buffer that the next call
// overwrites; it is empty after an error message.
char *GetThePath(int ListBoxNum, HWND hDlg)
{
    static char Path[kPathSize];

    LRESULT curPos = SendDlgItemMessageA(hDlg, ListBoxNum, LB_GETCURSEL, 0, 0);
    const DirBoxInfo *tree = TreeFor(ListBoxNum);
    if (tree == nullptr)
        ShowError(hDlg, "ERROR in get path");
    Path[0] = 0;
    if (curPos == LB_ERR) {
        ShowError(hDlg, "ERROR getting path details");
        return Path;
    }
    if (tree == nullptr)
        return Path;
    if (!TreeLinePath(tree, TreeLineIndex(curPos), Path, sizeof Path))
        ShowError(hDlg, "ERROR getting path details");
    return Path;
}
