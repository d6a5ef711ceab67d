// The installer dialog: its creation from the template resource, and the window-management
// half of its procedure (placement over the main window, moves, system commands, closing).
// The browsers and commands are handled by the installation subsystem.
#include "vendrel.h"

#include <stdlib.h>
#include <string.h>

HGLOBAL hdlgr;

static RECT wrect;   // scratch rectangle of the placement, kept between messages

static void ShowInitError(const char *text)
{
    MessageBoxA(hQryDlgBox, text, "ERROR", MB_OK);
}

// Builds the modeless dialog from a heap copy of template IDD_INSTALL, owned by hWnd. The
// dialog's handle arrives in hQryDlgBox through WM_INITDIALOG.
void InitMainDlg(HWND hWnd)
{
    LPCSTR resourceStr = MAKEINTRESOURCEA(IDD_INSTALL);

    HRSRC resourceHndl = FindResourceA(hInst, resourceStr, (LPCSTR)RT_DIALOG);
    if (resourceHndl == NULL)
        ShowInitError("Resource handle error");   // the load below fails too and says so

    hdlgr = LoadResource(hInst, resourceHndl);
    if (hdlgr == NULL) {
        ShowInitError("hdlgr error");
        return;
    }
    DLGTEMPLATE *dltp = (DLGTEMPLATE *)LockResource(hdlgr);
    if (dltp == NULL) {
        ShowInitError("lock resource");
        return;
    }
    DWORD size = SizeofResource(hInst, resourceHndl);
    DLGTEMPLATE *tempDlgPtr = (DLGTEMPLATE *)malloc(size);
    if (tempDlgPtr == NULL) {
        ShowInitError("malloc error");
        FreeResource(hdlgr);
        hdlgr = NULL;
        return;
    }
    memcpy(tempDlgPtr, dltp, size);

    if (CreateDialogIndirectParamA(hInst, tempDlgPtr, hWnd, lpModelessProc, 0) == NULL)
        ShowInitError("Can not create dialogue");

    free(tempDlgPtr);
    FreeResource(hdlgr);
    hdlgr = NULL;
}

INT_PTR CALLBACK MainDlgBoxProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        hQryDlgBox = hDlg;
        // The main window takes the dialog's screen rectangle, directly beneath it.
        GetWindowRect(hDlg, &wrect);
        SetWindowPos(hWndMain, hDlg, wrect.left, wrect.top,
                     wrect.right - wrect.left, wrect.bottom - wrect.top, 0);
        InitInstallerControls(hDlg);
        return 1;

    case WM_MOVE:
        // Wherever the dialog was moved to, it goes back onto the main window.
        GetWindowRect(hWndMain, &wrect);
        MoveWindow(hDlg, wrect.left, wrect.top,
                   wrect.right - wrect.left, wrect.bottom - wrect.top, TRUE);
        return 1;

    case WM_CLOSE:
        hdlgr = NULL;
        hQryDlgBox = NULL;
        PostMessageA(hWndMain, WM_CLOSE, 0, 0);
        DestroyWindow(hDlg);
        return 1;

    case WM_SYSCOMMAND:
        // Caption drags, the system menu, minimise and close act on the main window.
        SendMessageA(hWndMain, WM_SYSCOMMAND, wParam, lParam);
        return 1;

    case WM_VKEYTOITEM:
        // The program tree asks for its keys (LBS_WANTKEYBOARDINPUT): each is to move it as
        // usual. The default result, 0, would send every arrow key to line 0, the drive root.
        return -1;

    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            SendMessageA(hDlg, WM_CLOSE, 0, 0);
            return 0;
        }
        return InstallerCommand(hDlg, LOWORD(wParam), HIWORD(wParam));

    default:
        return 0;
    }
}
