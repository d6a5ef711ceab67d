// The installer dialog: its creation from the template resource, and the window-management
// half of its procedure (placement over the main window, moves, system commands, closing).
// The browsers and commands are handled by the installation subsystem.
#include "vendrel.h"

#include <stdlib.h>
#include <string.h>

HGLOBAL hdlgr;

static RECT wrect;   // scratch rectangle of the placement, kept between messages

int ShowError(HWND owner, const char *text)
{
    return MessageBoxA(owner, text, "ERROR", MB_OK);
}

static void ShowInitError(const char *text)
{
    ShowError(hQryDlgBox, text);
}

// A screen reader names a control that has no caption of its own after the nearest static
// text before it in z-order, the search stopping at a control with WS_GROUP and WS_TABSTOP.
// The template puts every "Drive", "Directory" and "Files" label after its control: each moves
// to just before it. The labels' WS_GROUP bits, which made the radio buttons' groups, move to
// the two radio group boxes, so that Tab and the arrow keys walk the same groups as before. Each
// typed-path field gets a label of its own, hidden, just before it. Nothing moves on the screen.
static void LabelControls(HWND hDlg)
{
    constexpr int kItems = 37;
    HWND items[kItems] = {};
    HWND c = GetWindow(hDlg, GW_CHILD);
    for (int i = 0; i < kItems && c != NULL; i++, c = GetWindow(c, GW_HWNDNEXT))
        items[i] = c;

    // Per control, in template order: its template index, and its label's.
    static const BYTE kLabels[][2] = {{0, 15}, {1, 14}, {2, 13}, {3, 12}, {4, 11},
                                      {5, 10}, {21, 27}, {22, 26}, {23, 25}};
    for (const BYTE *l : kLabels) {
        SetWindowLongA(items[l[1]], GWL_STYLE, WS_CHILD | WS_VISIBLE | SS_LEFT);
        SetWindowPos(items[l[1]], l[0] == 0 ? HWND_TOP : items[l[0] - 1], 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    static const BYTE kBoxes[] = {16, 28};   // 105, 205
    for (BYTE box : kBoxes)
        SetWindowLongA(items[box], GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_GROUPBOX);

    static const char *const kFieldNames[] = {"New directory for quillmar.exe",
                                              "New directory for the include/exclude files"};
    static const BYTE kFields[] = {20, 32};   // 112, 212
    for (int i = 0; i < 2; i++) {
        HWND label = CreateWindowExA(0, "STATIC", kFieldNames[i], WS_CHILD | SS_LEFT, 0, 0, 0, 0, hDlg,
                                     (HMENU)IDC_STATIC_UNUSED, hInst, NULL);
        SetWindowPos(label, items[kFields[i] - 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
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

    // A Unicode dialog, so that its edit fields keep what is typed in Unicode on Windows too: an
    // ANSI field would hold a look-alike of a character outside the code page before the program
    // could refuse it. The lists stay ANSI to the program: the platform converts its A messages.
    if (CreateDialogIndirectParamW(hInst, tempDlgPtr, hWnd, lpModelessProc, 0) == NULL)
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
        LabelControls(hDlg);
        InitInstallerControls(hDlg);
        return 1;

    case WM_MOVE:
        // Wherever the dialog was moved to, it goes back onto the main window, and no tip
        // stays behind where a line was.
        HideListTip(NULL);
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
