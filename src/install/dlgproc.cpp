// The working half of the installer dialog's procedure: the three location browsers filled at
// start-up, and every command but Cancel. Each browser is one group of controls: drive combo
// box group * 100 + 1, directory tree + 2, file list + 3.
#include "vendrel.h"

#include "strbuf.h"

static void FillGroup(HWND hDlg, int group)
{
    int drive = group * 100 + 1;
    FillDrivesBox(hDlg, drive);
    if (FillDirectoryBox(hDlg, drive, drive + 1))
        FillFileBox(hDlg, drive + 1, drive + 2);
}

void InitInstallerControls(HWND hDlg)
{
    InitListTips(hDlg);
    FindDrives(FloppyDrives, HardDrives);
    NumDrives = (int)(StrLengthN(FloppyDrives, sizeof FloppyDrives - 1) +
                      StrLengthN(HardDrives, sizeof HardDrives - 1));

    // Each typed path holds no more than the installation reads of it.
    SendDlgItemMessageA(hDlg, IDC_PROG_NEWPATH, EM_LIMITTEXT, kProgTypedChars, 0);
    SendDlgItemMessageA(hDlg, IDC_CRIT_NEWPATH, EM_LIMITTEXT, kCritTypedChars, 0);

    FillGroup(hDlg, 1);
    CheckRadioButton(hDlg, IDC_PROG_EXISTING, IDC_PROG_NEW, IDC_PROG_DEFAULT);
    FillGroup(hDlg, 2);
    CheckRadioButton(hDlg, IDC_CRIT_EXISTING, IDC_CRIT_NEW, IDC_CRIT_EXISTING);
    FillGroup(hDlg, 3);
}

/* ---- one action per row of the command table; `drive` is the group's combo box id ---- */

// Another drive picked: a fresh tree for it, and the files of its root.
static void DrivePicked(HWND hDlg, int drive)
{
    if (FillDirectoryBox(hDlg, drive, drive + 1))
        FillFileBox(hDlg, drive + 1, drive + 2);
}

// The drive list opens: the group's file list loses its selection.
static void DriveListOpens(HWND hDlg, int drive)
{
    SendDlgItemMessageA(hDlg, drive + 2, LB_SETCURSEL, (WPARAM)-1, 0);
}

// Another tree line selected: its files.
static void DirSelected(HWND hDlg, int drive)
{
    if (SendDlgItemMessageA(hDlg, drive + 1, LB_GETCURSEL, 0, 0) == LB_ERR)
        ShowError(hDlg, "Error selecting directory");
    else
        FillFileBox(hDlg, drive + 1, drive + 2);
}

// A tree line double-clicked: it becomes the open directory, and its files are shown.
static void DirOpened(HWND hDlg, int drive)
{
    PartialFillDirBox(hDlg, drive + 1);
    FillFileBox(hDlg, drive + 1, drive + 2);
}

struct CommandRow {
    int role;    // 1 drive combo box, 2 directory tree
    int code;    // the control's notification
    void (*action)(HWND hDlg, int drive);
};

static const CommandRow kCommands[] = {
    {1, CBN_SELCHANGE, DrivePicked},
    {1, CBN_DROPDOWN,  DriveListOpens},
    {2, LBN_SELCHANGE, DirSelected},
    {2, LBN_DBLCLK,    DirOpened},
};

// Runs the row of the command table for control id and notification code; false when no row
// matches (a control outside the three groups, or a notification that no row takes).
static bool RunCommandRow(HWND hDlg, int id, int code)
{
    int group = id / 100;
    int role = id % 100;
    if (group < 1 || group > 3)
        return false;
    for (const CommandRow &row : kCommands) {
        if (row.role == role && row.code == code) {
            row.action(hDlg, group * 100 + 1);
            return true;
        }
    }
    return false;
}

// A command from control id with notification code. OK gives the OK command's result; every
// other command is handled here and gives 1, whether or not a row matched.
//
// Enter reaches the dialog as OK wherever the focused control does not take the key itself,
// and a list box does not. In a directory tree it opens the selected line, as a double-click
// does, so that the keyboard can reach a folder at any depth and Enter meant for a folder
// never starts the installation. A click on OK moves the focus to the button first, so this
// rule never takes a click; Enter in a file list or an edit field still presses OK.
INT_PTR InstallerCommand(HWND hDlg, int id, int code)
{
    if (id == IDOK) {
        HWND focus = GetFocus();
        int focused = focus != NULL && GetParent(focus) == hDlg ? GetDlgCtrlID(focus) : 0;
        if (focused % 100 == 2 && RunCommandRow(hDlg, focused, LBN_DBLCLK))
            return 1;
        return OkCommand(hDlg);
    }
    RunCommandRow(hDlg, id, code);
    return 1;
}
