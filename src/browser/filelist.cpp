// The file lists: the files of the directory selected in a browser's tree.
#include "vendrel.h"

#include "dirscan.h"
#include "treecore.h"

// The tree line whose files each file list shows, by group.
static LRESULT ListedLine[3];

// Fills file list FileBoxNum with the files of the line selected in tree DirBoxNum, sorted by
// the list box (alphabetical, ignoring case), none selected. Directories and files with
// neither the archive nor the read-only bit are not listed. With no line selected the list
// keeps its lines. With the line selected that says how many folders the tree does not show,
// nothing changes: the selection goes back to the line whose files the list shows. The list
// box repaints once.
void FillFileBox(HWND hDlg, int DirBoxNum, int FileBoxNum)
{
    LRESULT curPos = SendDlgItemMessageA(hDlg, DirBoxNum, LB_GETCURSEL, 0, 0);
    const DirBoxInfo *tree = TreeFor(DirBoxNum);
    if (tree == nullptr)
        ShowError(hDlg, "ERROR in FillFileBox");
    if (curPos == LB_ERR) {
        ShowError(hDlg, "ERROR filling file details");
        return;
    }
    if (tree == nullptr)
        return;
    LRESULT &listed = ListedLine[DirBoxNum / 100 - 1];
    if (TreeIsMoreLine(tree, curPos, SendDlgItemMessageA(hDlg, DirBoxNum, LB_GETCOUNT, 0, 0))) {
        SendDlgItemMessageA(hDlg, DirBoxNum, LB_SETCURSEL, (WPARAM)listed, 0);
        return;
    }

    char pattern[kPathSize];
    if (!TreeLinePattern(tree, TreeLineIndex(curPos), pattern, sizeof pattern)) {
        // The selection is no line of the array: the list and its array disagree.
        ShowError(hDlg, "ERROR filling file details");
        return;
    }

    listed = curPos;
    HWND hList = GetDlgItem(hDlg, FileBoxNum);
    ListFillStart(hList);
    SendMessageA(hList, LB_RESETCONTENT, 0, 0);

    DirScan scan;
    if (DirScanStart(&scan, pattern)) {
        while (DirScanNext(&scan)) {
            if (IsListedFile(scan.Attributes))
                SendMessageA(hList, LB_ADDSTRING, 0, (LPARAM)scan.Name);
        }
        DirScanEnd(&scan);
    }

    ListFillEnd(hList);
}

// Empties file list FileBoxNum, one line at a time from the top.
void ClearFileBox(HWND hDlg, int FileBoxNum)
{
    HWND hList = GetDlgItem(hDlg, FileBoxNum);
    LRESULT count = SendMessageA(hList, LB_GETCOUNT, 0, 0);
    if (count == 0 || count == LB_ERR)
        return;
    ListFillStart(hList);
    while (SendMessageA(hList, LB_DELETESTRING, 0, 0) > 0) {
    }
    ListFillEnd(hList);
}
