// See progstate.h.
#include "progstate.h"

#include <string.h>

#include "vendrel.h"

void ResetProgramState()
{
    hInst = NULL;
    memset(&SetUpData, 0, sizeof SetUpData);
    hWndMain = NULL;
    hQryDlgBox = NULL;
    lpModelessProc = NULL;
    hdlgr = NULL;
    memset(Struct1, 0, sizeof Struct1);
    memset(Struct2, 0, sizeof Struct2);
    memset(Struct3, 0, sizeof Struct3);
    LbStructPtr = NULL;
    memset(FloppyDrives, 0, sizeof FloppyDrives);
    memset(HardDrives, 0, sizeof HardDrives);
    memset(AllDrives, 0, sizeof AllDrives);
    NumDrives = 0;
    memset(gPath2, 0, sizeof gPath2);
    InstallErrCount = 0;
    StartInstallation();
    NumSettingsMade = 0;
}

void PumpInstaller()
{
    MSG msg;
    while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        if (hQryDlgBox != NULL && IsWindow(hQryDlgBox) && IsDialogMessageW(hQryDlgBox, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
