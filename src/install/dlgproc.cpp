// The working half of the installer dialog's procedure: the location browsers' set-up and
// their commands. (Being written: only the radio defaults for now.)
#include "vendrel.h"

void InitInstallerControls(HWND hDlg)
{
    CheckRadioButton(hDlg, IDC_PROG_EXISTING, IDC_PROG_NEW, IDC_PROG_DEFAULT);
    CheckRadioButton(hDlg, IDC_CRIT_EXISTING, IDC_CRIT_NEW, IDC_CRIT_EXISTING);
}

INT_PTR InstallerCommand(HWND hDlg, int id, int code)
{
    (void)code;
    if (id == IDOK)
        return OkCommand(hDlg);
    return 1;
}
