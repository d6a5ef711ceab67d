// The drive lists: the machine's drives sorted into removable ones and all others, the drive
// combo boxes filled from them, and the source folder recorded at start-up.
#include "vendrel.h"

#include "strbuf.h"

char FloppyDrives[kDriveListSize];
char HardDrives[kDriveListSize];
char AllDrives[kDriveListSize];
int NumDrives;
char gPath2[kPathSize];

// Records the current directory in gPath2, then sorts the drives that the platform reports
// present into fdrives (removable) and hdrives (fixed, network, CD-ROM and RAM drives), each in
// letter order: all 26 letters fit either, with room for kDriveListSize bytes as FloppyDrives
// and HardDrives have. Letters without a browsable root (unknown type or no root directory) are
// not listed. The current directory is left alone.
//
// gPath2 stays empty when the current directory cannot be written exactly in the code page or
// does not fit a path: the ANSI form of such a name is another folder's (C:\Abc for a folder
// whose A bears a macron), whose files would be installed and then deleted. The OK command
// refuses to install from an empty gPath2.
void FindDrives(char *fdrives, char *hdrives)
{
    WCHAR cwd[kPathSize];
    DWORD got = GetCurrentDirectoryW(kPathSize, cwd);
    if (got > 0 && got < (DWORD)kPathSize)
        ExactAnsi(cwd, gPath2);

    fdrives[0] = 0;
    hdrives[0] = 0;
    DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; i++) {
        if ((present & (1u << i)) == 0)
            continue;
        char root[4] = " :\\";
        root[0] = (char)('A' + i);
        switch (GetDriveTypeA(root)) {
        case DRIVE_REMOVABLE:
            StrAppendCharN(fdrives, kDriveListSize, root[0]);
            break;
        case DRIVE_FIXED:
        case DRIVE_REMOTE:
        case DRIVE_CDROM:
        case DRIVE_RAMDISK:
            StrAppendCharN(hdrives, kDriveListSize, root[0]);
            break;
        default:   // DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR: nothing to browse
            break;
        }
    }
}

// Fills drive combo box DriveBoxNum with the NumDrives drives, removable ones first, each as
// its letter and a colon (C:), and selects C: or, without a C:, the first drive. Selecting
// this way notifies no one: the caller fills the tree itself.
void FillDrivesBox(HWND hDlg, int DriveBoxNum)
{
    AllDrives[0] = 0;
    StrCopy(AllDrives, FloppyDrives);
    StrAppend(AllDrives, HardDrives);

    HWND hCombo = GetDlgItem(hDlg, DriveBoxNum);
    SendMessageA(hCombo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < NumDrives && AllDrives[i] != 0; i++) {
        const char item[3] = {AllDrives[i], ':', 0};
        SendMessageA(hCombo, CB_ADDSTRING, 0, (LPARAM)item);
    }

    LRESULT pick = SendMessageA(hCombo, CB_FINDSTRING, (WPARAM)-1, (LPARAM)"C");
    if (pick == CB_ERR)
        pick = 0;
    SendMessageA(hCombo, CB_SETCURSEL, (WPARAM)pick, 0);
}
