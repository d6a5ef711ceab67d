// Driving the built install.exe from the test process: see remote.h.
#include "remote.h"

#include <ctype.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "rig.h"
#include "vendrel0.h"

namespace rig {

namespace {

std::string Narrow(const std::wstring &w)
{
    if (w.empty())
        return "";
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), NULL, 0, NULL, NULL);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), (int)w.size(), &s[0], n, NULL, NULL);
    return s;
}

// s, in code page cp (the ANSI one unless told), as wide text.
std::wstring Widen(const std::string &s, UINT cp = CP_ACP)
{
    if (s.empty())
        return L"";
    int n = MultiByteToWideChar(cp, 0, s.c_str(), (int)s.size(), NULL, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(cp, 0, s.c_str(), (int)s.size(), &w[0], n);
    return w;
}

std::string TextOf(HWND w)
{
    wchar_t buf[4096] = {};
    GetWindowTextW(w, buf, 4096);
    return Narrow(buf);
}

std::string ClassOf(HWND w)
{
    char buf[64] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

struct Search {
    DWORD pid;
    const char *title;          // the installer dialog's caption, or null for message boxes
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND w, LPARAM lp)
{
    Search *s = (Search *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || ClassOf(w) != "#32770" || !IsWindowVisible(w))
        return TRUE;
    bool installer = GetDlgItem(w, IDC_PROG_DRIVE) != NULL;
    if (s->title ? installer && TextOf(w) == s->title : !installer)
        s->found.push_back(w);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD pid, const char *title)
{
    Search s{pid, title, {}};
    EnumWindows(Collect, (LPARAM)&s);
    return s.found;
}

std::string BoxText(HWND box)
{
    for (HWND c = GetWindow(box, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) != "Static" || (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string t = TextOf(c);
        if (!t.empty())
            return t;
    }
    return "";
}

}  // namespace

InstallerProcess::~InstallerProcess()
{
    if (pi_.hProcess != NULL) {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi_.hProcess, 255);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    // A send still waiting on a box returns once its process is gone.
    for (std::thread &t : senders_)
        t.join();
}

bool InstallerProcess::Start(const std::string &exe, const std::string &folder, DWORD waitMs)
{
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring wexe = Widen(exe, CP_UTF8), wfolder = Widen(folder, CP_UTF8);
    std::wstring cmd = L"\"" + wexe + L"\"";
    if (!CreateProcessW(wexe.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, wfolder.c_str(), &si, &pi_)) {
        pi_ = {};
        return false;
    }
    WaitForInputIdle(pi_.hProcess, waitMs);
    for (DWORD waited = 0; waited < waitMs; waited += 50) {
        std::vector<HWND> w = WindowsOf(pi_.dwProcessId, "Install Quillmar");
        if (!w.empty()) {
            dlg_ = w[0];
            Settle();
            return true;
        }
        if (WaitForSingleObject(pi_.hProcess, 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

int InstallerProcess::WaitExit(DWORD ms)
{
    if (pi_.hProcess == NULL || WaitForSingleObject(pi_.hProcess, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(pi_.hProcess, &code);
    return (int)code;
}

bool InstallerProcess::NextBox(RemoteBox *box, DWORD ms)
{
    for (DWORD waited = 0;; waited += 50) {
        for (HWND w : WindowsOf(pi_.dwProcessId, nullptr)) {
            if (std::find(seen_.begin(), seen_.end(), w) != seen_.end())
                continue;
            seen_.push_back(w);
            *box = {w, TextOf(w), BoxText(w), GetWindow(w, GW_OWNER)};
            return true;
        }
        if (waited >= ms)
            return false;
        Sleep(50);
    }
}

void InstallerProcess::Answer(const RemoteBox &box)
{
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box.hwnd, IDOK));
    for (int i = 0; i < 200 && IsWindow(box.hwnd); ++i)
        Sleep(20);
    // A later box may reuse the handle of one that is gone.
    seen_.erase(std::remove(seen_.begin(), seen_.end(), box.hwnd), seen_.end());
}

std::vector<RemoteBox> InstallerProcess::AnswerAll(DWORD quietMs)
{
    std::vector<RemoteBox> all;
    RemoteBox b;
    while (NextBox(&b, quietMs)) {
        all.push_back(b);
        Answer(b);
    }
    return all;
}

std::vector<RemoteBox> InstallerProcess::AnswerBoxes(size_t n, DWORD ms, DWORD quietMs)
{
    std::vector<RemoteBox> all;
    RemoteBox b;
    while (NextBox(&b, all.size() < n ? ms : quietMs)) {
        all.push_back(b);
        Answer(b);
    }
    return all;
}

UINT InstallerProcess::SwapErrorMode()
{
    // SetErrorMode has a thread procedure's shape: one pointer-sized argument, one result.
    auto call = (LPTHREAD_START_ROUTINE)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetErrorMode");
    HANDLE t = CreateRemoteThread(pi_.hProcess, NULL, 0, call, (LPVOID)(UINT_PTR)SEM_FAILCRITICALERRORS, 0, NULL);
    if (t == NULL)
        return ~0u;
    DWORD previous = ~0u;
    if (WaitForSingleObject(t, 10000) != WAIT_OBJECT_0 || !GetExitCodeThread(t, &previous))
        previous = ~0u;
    CloseHandle(t);
    return previous;
}

void InstallerProcess::Settle()
{
    // A message sent behind everything posted so far returns once those are handled, unless
    // a modal box is up: then the time-out ends the wait.
    DWORD_PTR result;
    SendMessageTimeoutW(dlg_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result);
}

std::vector<std::string> InstallerProcess::ListLines(int id) const
{
    std::vector<std::string> out;
    for (int i = 0, n = ListCount(id); i < n; ++i)
        out.push_back(ListLine(id, i));
    return out;
}

int InstallerProcess::ListCount(int id) const
{
    LRESULT n = SendDlgItemMessageW(dlg_, id, LB_GETCOUNT, 0, 0);
    return n == LB_ERR ? 0 : (int)n;
}

std::string InstallerProcess::ListLine(int id, int index) const
{
    LRESULT len = SendDlgItemMessageW(dlg_, id, LB_GETTEXTLEN, index, 0);
    if (len == LB_ERR)
        return "";
    std::wstring buf(len + 1, L'\0');
    SendDlgItemMessageW(dlg_, id, LB_GETTEXT, index, (LPARAM)&buf[0]);
    return Narrow(buf.c_str());
}

std::vector<std::string> InstallerProcess::ComboLines(int id) const
{
    std::vector<std::string> out;
    LRESULT n = SendDlgItemMessageW(dlg_, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendDlgItemMessageW(dlg_, id, CB_GETLBTEXTLEN, i, 0);
        std::wstring buf((len > 0 ? len : 0) + 1, L'\0');
        SendDlgItemMessageW(dlg_, id, CB_GETLBTEXT, i, (LPARAM)&buf[0]);
        out.push_back(Narrow(buf.c_str()));
    }
    return out;
}

int InstallerProcess::ListSel(int id) const { return (int)SendDlgItemMessageW(dlg_, id, LB_GETCURSEL, 0, 0); }

std::string InstallerProcess::ComboSelText(int id) const
{
    LRESULT sel = SendDlgItemMessageW(dlg_, id, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return "";
    return ComboLines(id).at(sel);
}

bool InstallerProcess::Checked(int id) const { return SendDlgItemMessageW(dlg_, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::string InstallerProcess::EditText(int id) const
{
    // An edit control keeps its own text: WM_GETTEXT asks it (GetWindowText of another
    // process's window gives the caption that the window manager holds, empty for an edit).
    HWND edit = GetDlgItem(dlg_, id);
    LRESULT len = SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    std::wstring buf((len > 0 ? len : 0) + 1, L'\0');
    SendMessageW(edit, WM_GETTEXT, (WPARAM)buf.size(), (LPARAM)&buf[0]);
    return Narrow(buf.c_str());
}

int InstallerProcess::FindLine(int listId, const std::string &text, int from) const
{
    // The list box finds the lines equal to text but for case, from `from` on; each is read to
    // tell exactly. (Reading every line from another process takes a second per 300 lines.)
    std::wstring w = Widen(text);
    for (int after = from - 1;;) {
        LRESULT i = SendDlgItemMessageW(dlg_, listId, LB_FINDSTRINGEXACT, (WPARAM)after, (LPARAM)w.c_str());
        if (i == LB_ERR || i <= after)   // none, or the search wrapped round
            return -1;
        if (ListLine(listId, (int)i) == text)
            return (int)i;
        after = (int)i;
    }
}

// A posted gesture may still wait in the installer's queue when the test reads the dialog
// (a message sent from another thread overtakes the posted ones), so every gesture is sent:
// from a thread of its own, which returns once the installer has handled it. A gesture that
// shows a message box returns to the test as soon as the box is up; its send completes when
// the test has answered it.
void InstallerProcess::SendAndWait(HWND target, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    senders_.emplace_back([=] {
        SendMessageW(target, msg, wParam, lParam);
        *done = true;
    });
    for (int waited = 0; !*done && waited < 60000; waited += 5) {
        if (waited % 100 == 0 && HasNewBox())
            break;
        Sleep(5);
    }
}

bool InstallerProcess::HasNewBox() const
{
    for (HWND w : WindowsOf(pi_.dwProcessId, nullptr)) {
        if (std::find(seen_.begin(), seen_.end(), w) == seen_.end())
            return true;
    }
    return false;
}

void InstallerProcess::Notify(int id, int code)
{
    SendAndWait(dlg_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg_, id));
}

void InstallerProcess::PickDrive(int comboId, const std::string &driveText)
{
    std::wstring w = Widen(driveText);
    LRESULT i = SendDlgItemMessageW(dlg_, comboId, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)w.c_str());
    SendDlgItemMessageW(dlg_, comboId, CB_SETCURSEL, i, 0);
    Notify(comboId, CBN_SELCHANGE);
}

void InstallerProcess::PickLine(int listId, int index)
{
    SendDlgItemMessageW(dlg_, listId, LB_SETCURSEL, index, 0);
    Notify(listId, LBN_SELCHANGE);
}

void InstallerProcess::DoubleClickLine(int listId, int index)
{
    SendDlgItemMessageW(dlg_, listId, LB_SETCURSEL, index, 0);
    Notify(listId, LBN_DBLCLK);
}

void InstallerProcess::PickFile(int fileListId, const std::string &name)
{
    std::wstring w = Widen(name);
    LRESULT i = SendDlgItemMessageW(dlg_, fileListId, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)w.c_str());
    SendDlgItemMessageW(dlg_, fileListId, LB_SETCURSEL, i, 0);
    Notify(fileListId, LBN_SELCHANGE);
}

void InstallerProcess::Click(int buttonId)
{
    SendAndWait(GetDlgItem(dlg_, buttonId), BM_CLICK, 0, 0);
}

void InstallerProcess::TypeText(int editId, const std::string &text) { TypeUnicode(editId, Widen(text)); }

void InstallerProcess::TypeUnicode(int editId, const std::wstring &text)
{
    SendMessageW(GetDlgItem(dlg_, editId), WM_SETTEXT, 0, (LPARAM)text.c_str());
    Settle();
}

void InstallerProcess::PressKey(int listId, UINT vk)
{
    HWND list = GetDlgItem(dlg_, listId);
    SendAndWait(dlg_, WM_NEXTDLGCTL, (WPARAM)list, TRUE);
    LPARAM scan = (LPARAM)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(list, WM_KEYDOWN, vk, scan | 1);
    PostMessageW(list, WM_KEYUP, vk, scan | 1 | 0xC0000000);
    // A message sent now would be handled before the posted keys, so the end of the key is
    // marked by one more posted message whose effect can be read: a horizontal extent, which
    // changes nothing in a list box without a horizontal scroll bar.
    static LRESULT mark = 1000;
    ++mark;
    PostMessageW(list, LB_SETHORIZONTALEXTENT, (WPARAM)mark, 0);
    for (int waited = 0; waited < 10000; waited += 20) {
        if (SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0) == mark || HasNewBox())
            break;
        Sleep(20);
    }
}

bool InstallerProcess::BrowseTo(int dirListId, const std::string &path)
{
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\')
        return false;
    const std::string drive = {(char)toupper((unsigned char)path[0]), ':'};
    if (SendDlgItemMessageW(dlg_, dirListId - 1, CB_FINDSTRINGEXACT, (WPARAM)-1,
                            (LPARAM)Widen(drive).c_str()) == CB_ERR)
        return false;
    PickDrive(dirListId - 1, drive);

    std::vector<std::string> levels;
    for (size_t at = 3; at < path.size();) {
        size_t end = path.find('\\', at);
        if (end == std::string::npos)
            end = path.size();
        levels.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    if (levels.empty()) {
        PickLine(dirListId, 0);
        return true;
    }
    // With k levels open, lines 0 to k are the open path and the folder's children follow,
    // each k + 1 blanks and its name.
    for (size_t k = 0; k < levels.size(); ++k) {
        int line = FindLine(dirListId, std::string(k + 1, ' ') + levels[k], (int)k + 1);
        if (line < 0)
            return false;
        if (k + 1 < levels.size())
            DoubleClickLine(dirListId, line);
        else
            PickLine(dirListId, line);
    }
    return true;
}

void InstallerProcess::Uncheck(int buttonId)
{
    SendDlgItemMessageW(dlg_, buttonId, BM_SETCHECK, BST_UNCHECKED, 0);
}

void InstallerProcess::ClearSelection(int listId)
{
    SendDlgItemMessageW(dlg_, listId, LB_SETCURSEL, (WPARAM)-1, 0);
}

// The X server's pointer, through xdotool: Wine learns of it from the X server alone, as it
// does of a hand's. (SetCursorPos would place Wine's pointer and warp the X server's, and the
// X server's report of the warp, arriving later, would put Wine's back where it had been.) The
// rig's virtual desktop fills the X screen, so screen coordinates are the X server's.
static void Xdotool(const std::string &commands) { UnixShell("xdotool " + commands, 10000); }

static std::string At(int x, int y) { return "mousemove " + std::to_string(x) + " " + std::to_string(y); }

void InstallerProcess::PointAt(int listId, int index)
{
    // There, and one pixel on a moment later: the pointer comes to rest as a hand leaves it.
    RECT r = LineRect(listId, index);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    Xdotool(At(x, y) + " sleep 0.1 " + At(x + 1, y));
}

void InstallerProcess::PointAway()
{
    // Between the criteria column's black line and its frame: the dialog itself.
    RECT r;
    GetWindowRect(GetDlgItem(dlg_, IDOK), &r);
    Xdotool(At(r.left - 8, r.top - 8));
}

void InstallerProcess::PointerClick(int clicks)
{
    Xdotool("click --repeat " + std::to_string(clicks) + " --delay 60 1");
}

void InstallerProcess::Wheel() { Xdotool("click 5"); }

RECT InstallerProcess::LineRect(int listId, int index) const
{
    HWND list = GetDlgItem(dlg_, listId);
    RECT r;
    GetClientRect(list, &r);
    int height = (int)SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    r.top = (index - (int)SendMessageW(list, LB_GETTOPINDEX, 0, 0)) * height;
    r.bottom = r.top + height;
    MapWindowPoints(list, NULL, (POINT *)&r, 2);
    return r;
}

HWND InstallerProcess::Tip() const
{
    for (HWND w = GetTopWindow(NULL); w != NULL; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == pi_.dwProcessId && IsWindowVisible(w) && ClassOf(w) == "ListBox")
            return w;
    }
    return NULL;
}

std::string InstallerProcess::TipText() const
{
    HWND tip = Tip();
    if (tip == NULL)
        return "";
    LRESULT len = SendMessageW(tip, LB_GETTEXTLEN, 0, 0);
    if (len == LB_ERR)
        return "(a tip without a line)";
    std::wstring buf(len + 1, L'\0');
    SendMessageW(tip, LB_GETTEXT, 0, (LPARAM)&buf[0]);
    return Narrow(buf.c_str());
}

bool InstallerProcess::Until(const std::function<bool()> &done, DWORD ms)
{
    for (DWORD waited = 0;; waited += 20) {
        if (done())
            return true;
        if (waited >= ms)
            return false;
        Sleep(20);
    }
}

bool InstallerProcess::Steady(const std::function<bool()> &done)
{
    if (!Until(done))
        return false;
    Sleep(300);
    return Until(done);
}

// A click: the button takes the focus, as under the mouse, before the dialog hears of it.
void InstallerProcess::PressOk() { Click(IDOK); }

void InstallerProcess::PressCancel() { Notify(IDCANCEL, BN_CLICKED); }

}  // namespace rig
