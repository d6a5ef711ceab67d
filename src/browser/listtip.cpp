// Tips over the browsers' lists: a line that its list cuts shows whole in a tip laid exactly over
// it, while the pointer rests on it or the keyboard has just selected it.
//
// The tip stays through a click on its line, drawn as the line now is, so that nothing comes
// or goes under the pointer between the two clicks of a double-click: under Wine, a window that
// does brings made-up moves of the pointer, which have been seen to carry an older place of it,
// and a restacking of the windows there. A refill takes away only a tip over its own list (the
// click on a tree line refills the file list beside it). The tip goes whenever its list's top
// line changes, whatever scrolled it.
//
// The tip is a list box of one line, so that the platform draws it as the lists draw their lines:
// the same font, colours (the highlight ones for the selected line) and text origin, whatever
// margin the list box class keeps. It carries no window text and never takes the focus, so a
// screen reader still hears each line from its own list only. It answers every hit test with
// HTTRANSPARENT: clicks, double-clicks and drags reach the line beneath, which the dialog owns
// and the tip lies just above.
#include "vendrel.h"

#include "strbuf.h"

static HWND gTip;           // the tip, owned by the dialog; hidden when no line needs it
static HWND gTipList;       // the list whose line the tip was last worked out for, or null
static LRESULT gTipLine;    // that line
static LRESULT gTipTop;     // and the list's top line then
static bool gTipPointed;    // whether for the pointer (or for the keyboard's selection)
static HWND gMoveList;      // where the pointer last moved: the list and the point
static LPARAM gMoveAt;
static WNDPROC gListProc;   // the list box class's own procedure, the six lists' and the tip's

// Hides the tip when it was worked out for list, or for any list when list is null.
void HideListTip(HWND list)
{
    if (list != NULL && list != gTipList)
        return;
    gTipList = NULL;
    SetWindowPos(gTip, NULL, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

// The first column from x on, by step, where dc holds something other than colour back in
// rows 0 to height - 1; end when there is none.
static int InkColumn(HDC dc, int x, int step, int end, int height, COLORREF back)
{
    for (; x != end; x += step) {
        for (int y = 0; y < height; y++) {
            if (GetPixel(dc, x, y) != back)
                return x;
        }
    }
    return end;
}

// Lays the tip just above the dialog, with SetWindowPos's flags and, where they ask, place and
// size.
static void PutTip(int x, int y, int width, int height, UINT flags)
{
    HWND after = GetWindow(hQryDlgBox, GW_HWNDPREV);
    SetWindowPos(gTip, after, x, y, width, height, flags | SWP_NOACTIVATE | (after == gTip ? SWP_NOZORDER : 0));
}

// pos moved so that size fits between lo and hi, or starting at lo where it cannot.
static int Inside(int pos, int size, LONG lo, LONG hi)
{
    if (pos > hi - size)
        pos = hi - size;
    return pos < lo ? lo : pos;
}

// Shows the tip over line `line` of list when the list cuts it, and hides it otherwise. Whether
// the list cuts the line is read from the drawing: the tip, made wide enough for the whole
// line, is drawn into a bitmap, and the line is cut when its last drawn column lies beyond the
// list's client area. The tip then keeps the margin before the text after it too.
static void ShowTip(HWND list, LRESULT line, bool pointed)
{
    HideListTip(NULL);
    gTipList = list;
    gTipLine = line;
    gTipTop = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    gTipPointed = pointed;
    char text[kPathSize];
    RECT item, client;
    if (line < 0 || SendMessageA(list, LB_GETTEXTLEN, line, 0) >= kPathSize ||
        SendMessageA(list, LB_GETITEMRECT, line, (LPARAM)&item) == LB_ERR)
        return;
    SendMessageA(list, LB_GETTEXT, line, (LPARAM)text);
    LPARAM font = SendMessageA(list, WM_GETFONT, 0, 0);
    SendMessageA(gTip, WM_SETFONT, font, FALSE);
    SendMessageA(gTip, LB_RESETCONTENT, 0, 0);
    SendMessageA(gTip, LB_ADDSTRING, 0, (LPARAM)text);
    SendMessageA(gTip, LB_SETCURSEL, SendMessageA(list, LB_GETCURSEL, 0, 0) == line ? 0 : -1, 0);

    GetClientRect(list, &client);
    int height = item.bottom - item.top;
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, (HFONT)font);
    SIZE extent;
    GetTextExtentPoint32A(dc, text, (int)StrLengthN(text, sizeof text - 1), &extent);
    SelectObject(dc, old);
    int width = extent.cx + client.right;   // the line and more than any margin of the list's
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    old = SelectObject(dc, bitmap);
    SetWindowPos(gTip, NULL, 0, 0, width, height, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(gTip, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF back = GetPixel(dc, width - 1, 0);
    int first = InkColumn(dc, 0, 1, width, height, back);
    int last = InkColumn(dc, width - 1, -1, -1, height, back);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    if (last < client.right)   // the line shows whole (or draws nothing)
        return;

    // On the screen, inside the work area of the list's monitor, just above the dialog.
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(list, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT &work = monitor.rcWork;
    width = last + 1 + first;
    if (width > work.right - work.left)
        width = work.right - work.left;
    MapWindowPoints(list, NULL, (POINT *)&item, 2);
    PutTip(Inside(item.left, width, work.left, work.right), Inside(item.top, height, work.top, work.bottom), width,
           height, SWP_SHOWWINDOW);
}

static LRESULT CALLBACK ListTipProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hWnd == gTip) {
        if (message == WM_NCHITTEST)
            return HTTRANSPARENT;
    } else {
        switch (message) {
        case WM_MOUSEMOVE:
            // A click that activates the dialog raises it, and under Wine the next event of the
            // pointer can put it over the tip without a message (Wine then takes the X server's
            // stacking): the tip goes back just above it.
            if (hWnd == gTipList)
                PutTip(0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            // The system repeats the last move when a window comes or goes under the pointer:
            // only a move to another point counts. While a drag holds the capture, every move
            // comes here wherever the pointer is, and one off the list takes the tip away.
            if (hWnd != gMoveList || lParam != gMoveAt) {
                gMoveList = hWnd;
                gMoveAt = lParam;
                LRESULT hit = SendMessageA(hWnd, LB_ITEMFROMPOINT, 0, lParam);
                LRESULT line = HIWORD(hit) ? -1 : LOWORD(hit);
                if (hWnd != gTipList || line != gTipLine) {
                    ShowTip(hWnd, line, true);
                    TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, hWnd, 0};
                    TrackMouseEvent(&leave);
                }
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_CHAR: {
            LRESULT before = SendMessageA(hWnd, LB_GETCURSEL, 0, 0);
            LRESULT result = CallWindowProcW(gListProc, hWnd, message, wParam, lParam);
            LRESULT after = SendMessageA(hWnd, LB_GETCURSEL, 0, 0);
            // The pointer's tip stays through a click (see the head of this file); a
            // selection that the keyboard moves takes the tip with it.
            if (message == WM_LBUTTONDOWN && gTipPointed)
                SendMessageA(gTip, LB_SETCURSEL, after == gTipLine ? 0 : -1, 0);
            else if (after != before)
                ShowTip(hWnd, after, false);
            return result;
        }
        case WM_MOUSELEAVE:
            // The leave can come late: after the keyboard selected another line.
            if (!gTipPointed)
                break;
            [[fallthrough]];
        case WM_KILLFOCUS:
            // Each list takes away its own tip only: the pointer leaves one list for the
            // next after the next has shown its tip.
            HideListTip(hWnd);
            break;
        case WM_PAINT:
            // Whatever scrolled the list (its scroll bar, the wheel, the keyboard, a program's
            // LB_SETTOPINDEX), it paints next: the tip goes with the line it lay over.
            if (SendMessageA(hWnd, LB_GETTOPINDEX, 0, 0) != gTipTop)
                HideListTip(hWnd);
            break;
        default:
            break;
        }
    }
    return CallWindowProcW(gListProc, hWnd, message, wParam, lParam);
}

// The dialog and its lists are Unicode windows: the tip is one too, and all seven are
// subclassed with the wide functions. Each returns the same procedure, the class's own.
void InitListTips(HWND hDlg)
{
    gTip = CreateWindowExW(WS_EX_NOACTIVATE, L"LISTBOX", NULL, WS_POPUP | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, hDlg,
                           NULL, hInst, NULL);
    static const short kLists[] = {IDC_PROG_DIR,  IDC_PROG_FILE,  IDC_CRIT_DIR,
                                   IDC_CRIT_FILE, IDC_EDITOR_DIR, IDC_EDITOR_FILE};
    for (short id : kLists)
        gListProc = (WNDPROC)SetWindowLongPtrW(GetDlgItem(hDlg, id), GWLP_WNDPROC, (LONG_PTR)ListTipProc);
    SetWindowLongPtrW(gTip, GWLP_WNDPROC, (LONG_PTR)ListTipProc);
}
