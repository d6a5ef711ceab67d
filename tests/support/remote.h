// Test support for the whole program: the built install.exe started as a process of its own
// in a given folder, its dialog driven from the test process as a user would, its message
// boxes read and answered, and its exit status.
//
// Texts are read with the wide messages: from another process, Wine's ANSI LB_GETTEXT and
// CB_GETLBTEXT give one character only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace rig {

struct RemoteBox {
    HWND hwnd;
    std::string caption;
    std::string text;
    HWND owner;
};

class InstallerProcess {
public:
    InstallerProcess() = default;
    ~InstallerProcess();   // a process still running is ended
    InstallerProcess(const InstallerProcess &) = delete;
    InstallerProcess &operator=(const InstallerProcess &) = delete;

    // Starts exe with folder as its current directory and waits for its dialog. Both paths
    // are in UTF-8, so that a folder may have a name outside the ANSI code page.
    bool Start(const std::string &exe, const std::string &folder, DWORD waitMs = 30000);
    HWND dialog() const { return dlg_; }
    HWND mainWindow() const { return GetWindow(dlg_, GW_OWNER); }

    // The process's error mode, as SetErrorMode(SEM_FAILCRITICALERRORS) returns it on a thread
    // started in the process (kernel32 lies at the same address in every process of one
    // architecture); the mode is then SEM_FAILCRITICALERRORS. ~0u when no thread ran.
    UINT SwapErrorMode();
    // Waits for the process to end; its exit status, or -1 when it did not end in time.
    int WaitExit(DWORD ms = 20000);

    // The next message box of the process not yet returned (waits up to ms); false if none.
    bool NextBox(RemoteBox *box, DWORD ms = 20000);
    void Answer(const RemoteBox &box);   // presses its OK button
    // Every box until the process goes quiet for quietMs, each answered with OK.
    std::vector<RemoteBox> AnswerAll(DWORD quietMs = 1500);
    // The n boxes that a command is known to show (each waited for up to ms), then any that
    // follow within quietMs: each answered with OK, all returned in the order shown.
    std::vector<RemoteBox> AnswerBoxes(size_t n, DWORD ms = 10000, DWORD quietMs = 300);

    // Reading controls.
    std::vector<std::string> ListLines(int id) const;
    int ListCount(int id) const;
    std::string ListLine(int id, int index) const;   // "" when there is no such line
    std::vector<std::string> ComboLines(int id) const;
    int ListSel(int id) const;
    std::string ComboSelText(int id) const;
    bool Checked(int id) const;
    std::string EditText(int id) const;
    // The first line from index `from` on with exactly this text; -1 when there is none.
    int FindLine(int listId, const std::string &text, int from = 0) const;

    // The user's gestures, each waited for until the dialog has handled it or shows a box.
    void PickDrive(int comboId, const std::string &driveText);
    void PickLine(int listId, int index);
    void DoubleClickLine(int listId, int index);
    void PickFile(int fileListId, const std::string &name);
    void Click(int buttonId);                  // radio buttons and check boxes
    void TypeText(int editId, const std::string &text);
    void TypeUnicode(int editId, const std::wstring &text);   // any character, as typing gives it
    // A key pressed in list box listId as a user presses it: the focus moved there as Tab
    // would (WM_NEXTDLGCTL), the key posted to the list box so that it passes through the
    // installer's own message loop and its dialog keys. Returns once the installer has handled
    // the key, or once it shows a message box.
    void PressKey(int listId, UINT vk);
    // Opens folder path (T:\apps\quill, or a root such as T:\ ) in the browser whose directory
    // tree is dirListId: picks its drive, double-clicks each level above the last, then picks
    // the last level. False when the drive or a level is not listed.
    bool BrowseTo(int dirListId, const std::string &path);
    // States that no gesture can reach, for the refusals: a button cleared without its group
    // (BM_SETCHECK), a list left with no selection (LB_SETCURSEL -1, which notifies no one).
    void Uncheck(int buttonId);
    void ClearSelection(int listId);
    // OK is clicked (BM_CLICK: the focus moves to it first, as under the mouse). It may show
    // message boxes: the call returns once the first is up, for the test to answer.
    void PressOk();
    void PressCancel();
    // Waits until the dialog has handled everything posted to it so far (or a box is up).
    void Settle();

    // The real pointer, as a user moves it: the X server's, moved and clicked through xdotool
    // (the installer sees the moves and clicks of the window system, not messages sent to it).
    // Each returns once xdotool has ended. PointAt puts it in the middle of line index of
    // list listId, which must be in view; PointAway over the dialog, clear of every list.
    void PointAt(int listId, int index);
    void PointAway();
    void PointerClick(int clicks = 1);   // the left button, clicks times where the pointer is
    void Wheel();                        // one notch of the wheel towards the user
    // The screen rectangle of line index of list listId, as the list lays it out.
    RECT LineRect(int listId, int index) const;
    // The tip that the installer shows over a line cut by its list: null when none is visible.
    HWND Tip() const;
    std::string TipText() const;   // "" when none is visible
    // Waits up to ms until done() holds; whether it does.
    static bool Until(const std::function<bool()> &done, DWORD ms = 5000);
    // Until done() holds, and holds again after the moves that the window system makes up when
    // a window comes or goes under the pointer (which Wine may give at the pointer's last place
    // before a jump) have passed.
    static bool Steady(const std::function<bool()> &done);
    DWORD threadId() const { return pi_.dwThreadId; }

private:
    void Notify(int id, int code);
    void SendAndWait(HWND target, UINT msg, WPARAM wParam, LPARAM lParam);
    bool HasNewBox() const;
    std::vector<std::thread> senders_;
    PROCESS_INFORMATION pi_ = {};
    HWND dlg_ = NULL;
    std::vector<HWND> seen_;
};

}  // namespace rig
