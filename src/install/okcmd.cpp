// The OK command: record the user's text editor, install the program group and the criteria
// group, report the outcome, and after a complete installation remove the installed files
// from the source folder. The dialog stays open; OK may be pressed again.
#include "vendrel.h"

#include "pathcore.h"
#include "replace.h"
#include "settings.h"
#include "strbuf.h"

// Failed copies of the current OK, and groups refused whole (see savefiles.cpp). Zero at the
// end of an OK means that every file reached its destination.
int InstallErrCount;

static bool IsChecked(HWND hDlg, int id)
{
    return IsDlgButtonChecked(hDlg, id) == BST_CHECKED;
}

// Deletes gPath2\name; a file that is already gone is simply skipped. Only reached after
// every copy succeeded, so gPath2 is known and the name fits, as it did for the copy.
static void DeleteSourceFile(const char *name)
{
    char Path1[kPathSize];
    if (gPath2[0] != '\0' && ComposeName(Path1, gPath2, name))
        DeleteFileA(Path1);
}

// Path1 := the editor file's full path: the directory selected in the editor tree, which ends
// in a backslash, and the file selected at LbPosition. False when the file name or the whole
// path does not fit a path buffer; Path1 may then hold the directory alone.
static bool EditorFilePath(HWND hDlg, LRESULT LbPosition, const char *dir, char (&Path1)[kPathSize])
{
    char RtnStr[kPathSize];

    // LB_GETTEXT takes no buffer size: the length decides first whether the line fits.
    LRESULT len = SendDlgItemMessageA(hDlg, IDC_EDITOR_FILE, LB_GETTEXTLEN, (WPARAM)LbPosition, 0);
    if (len == LB_ERR || len >= (LRESULT)sizeof RtnStr)
        return false;
    if (SendDlgItemMessageA(hDlg, IDC_EDITOR_FILE, LB_GETTEXT, (WPARAM)LbPosition,
                            (LPARAM)RtnStr) == LB_ERR)
        return false;
    return StrCopy(Path1, dir) && StrAppend(Path1, RtnStr);
}

// Returns the dialog procedure's result: 0 after the warning that no editor file is selected
// (nothing is then written), 1 otherwise. A source folder that could not be read exactly
// (gPath2 empty) installs, writes and deletes nothing.
INT_PTR OkCommand(HWND hDlg)
{
    char Path1[kPathSize];
    char EditorDir[kPathSize];

    InstallErrCount = 0;
    StartInstallation();
    NumSettingsMade = 0;

    // Without a source folder that the program can name exactly, a copy would take another
    // folder's files, or none, and nothing the user does in the dialog can help.
    if (gPath2[0] == '\0') {
        ShowError(hDlg, "Nothing was installed: the name of the folder that holds the installation files "
                        "cannot be used on this system.\n\nCopy the files to a folder such as "
                        "C:\\quillmar-setup and start install.exe there.");
        return 1;
    }

    // An editor tree with no selection gives "" after GetThePath's own message.
    if (!StrCopy(EditorDir, GetThePath(IDC_EDITOR_DIR, hDlg)))
        EditorDir[0] = '\0';

    LRESULT LbPosition = SendDlgItemMessageA(hDlg, IDC_EDITOR_FILE, LB_GETCURSEL, 0, 0);
    if (LbPosition == LB_ERR) {
        MessageBoxA(hDlg, "No text editor file selected", "Warning", MB_OK);
        return 0;
    }

    if (!EditorFilePath(hDlg, LbPosition, EditorDir, Path1)) {
        // A path cut to fit would name another file: nothing is recorded or installed.
        ShowError(hDlg, "Text editor path too long");
        return 1;
    }

    // A bare file name, without the directory that the editor tree failed to give, would
    // send the product looking in the wrong place: the editor is then not recorded, and the
    // installation counts as incomplete.
    if (EditorDir[0] != '\0')
        WriteInstallSetting("wprocess", Path1);
    else
        InstallErrCount++;

    if (IsChecked(hDlg, IDC_PROG_DEFAULT))
        SaveToBatFile(hDlg, IDC_PROG_DIR, IDC_PROG_DEFAULT);
    else if (IsChecked(hDlg, IDC_PROG_NEW))
        SaveToBatFile(hDlg, 0, IDC_PROG_NEW);
    else if (IsChecked(hDlg, IDC_PROG_EXISTING))
        SaveToBatFile(hDlg, IDC_PROG_DIR, IDC_PROG_EXISTING);
    else
        InstallErrCount++;   // no destination chosen: the program files go nowhere

    // The criteria group has no "no choice": without the new-directory button it goes to the
    // selected existing directory.
    if (IsChecked(hDlg, IDC_CRIT_NEW))
        SaveToBatFile(hDlg, 0, IDC_CRIT_NEW);
    else
        SaveToBatFile(hDlg, IDC_CRIT_DIR, IDC_CRIT_EXISTING);

    // Each group has read its copies back; what the settings file holds is read back too
    // before any source file goes.
    ConfirmSettings();
    if (InstallErrCount != 0) {
        // The source files stay, so that the user can try again; each file that failed is
        // named, with why. (Static: the text of five long paths is more than a frame should hold.)
        static char text[kProductFiles * 640 + 128];
        StrCopy(text, "Installation unsuccessful.\n\nOne or more file/s not copied\nto their destination.");
        FailureLines(text, sizeof text);
        MessageBoxA(hDlg, text, "Quillmar", MB_OK);
        return 1;
    }

    // Every file is at its destination: the source copies go, except install.exe, which is
    // running. "install" names the source help file, deleted just before; the product relies
    // on that value as it is. The deletions have begun: a failure of this write changes
    // nothing more.
    DeleteSourceFile(ProductFiles[kQuillmarExe]);
    DeleteSourceFile(ProductFiles[kUserHelp]);
    if (ComposeName(Path1, gPath2, ProductFiles[kUserHelp]))
        WriteSetting("install", Path1);
    DeleteSourceFile(ProductFiles[kCriteriaInc]);
    DeleteSourceFile(ProductFiles[kCriteriaExc]);
    MessageBoxA(hDlg, "Installation complete", "Quillmar", MB_OK);
    return 1;
}
