// The application shell: the main window class, the main window that lies under the
// installer dialog, and the message loop that offers every message to the dialog first.
#include "vendrel.h"

HINSTANCE hInst;
SETUPDATA SetUpData;
HWND hWndMain;
HWND hQryDlgBox;
DLGPROC lpModelessProc;

void InitVendrel(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpszCmdLine, int cmdShow)
{
    (void)lpszCmdLine;
    if (hPrevInstance == NULL)
        InitVendrelFirst(hInstance);
    else
        InitVendrelAdded(hPrevInstance);
    InitVendrelEvery(hInstance, cmdShow);
}

// Registers the main window class, named after the first nine characters of string 1.
void InitVendrelFirst(HINSTANCE hInstance)
{
    WNDCLASSA wcVendrelClass;

    LoadStringA(hInstance, IDS_APPNAME, SetUpData.szAppName, sizeof SetUpData.szAppName);

    wcVendrelClass.style = CS_HREDRAW | CS_VREDRAW;
    wcVendrelClass.lpfnWndProc = VendrelWndProc;
    wcVendrelClass.cbClsExtra = 0;
    wcVendrelClass.cbWndExtra = 0;
    wcVendrelClass.hInstance = hInstance;
    wcVendrelClass.hIcon = LoadIconA(hInstance, SetUpData.szAppName);   // no icon resource: null
    wcVendrelClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wcVendrelClass.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    wcVendrelClass.lpszMenuName = NULL;
    wcVendrelClass.lpszClassName = SetUpData.szAppName;
    RegisterClassA(&wcVendrelClass);
}

// Another instance needs nothing of its own.
void InitVendrelAdded(HINSTANCE hPrevInstance)
{
    (void)hPrevInstance;
}

// Creates the main window, visible through its style, and the installer dialog that it owns.
// The dialog's initialisation then lays the main window under itself.
void InitVendrelEvery(HINSTANCE hInstance, int cmdShow)
{
    (void)cmdShow;
    hInst = hInstance;
    hWndMain = CreateWindowExA(0, SetUpData.szAppName, SetUpData.szAppName,
                               WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                               1, 1, CW_USEDEFAULT, CW_USEDEFAULT,
                               NULL, NULL, hInstance, NULL);
    lpModelessProc = MainDlgBoxProc;
    InitMainDlg(hWndMain);
}

void CloseVendrel(void)
{
}

// The loop is a Unicode one: an ANSI loop would hand the dialog's Unicode edit fields every
// typed character already converted to the code page.
int RunVendrel(void)
{
    MSG msg;

    while (GetMessageW(&msg, NULL, 0, 0)) {
        // A handle that outlived its dialog (destroyed with the main window) is never used.
        if (hQryDlgBox != NULL && IsWindow(hQryDlgBox) && IsDialogMessageW(hQryDlgBox, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

LRESULT CALLBACK VendrelWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        CloseVendrel();
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:          // the dialog follows every move of the main window
    case WM_SETFOCUS:      // and takes the keyboard focus back to its own control
        if (IsWindow(hQryDlgBox))
            SendMessageA(hQryDlgBox, message, wParam, lParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_ENDSESSION:
        if (wParam)
            CloseVendrel();
        return 0;
    default:
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}
