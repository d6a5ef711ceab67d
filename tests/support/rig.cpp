// Test support for the installer running inside the test process: see rig.h.
#include "rig.h"

#include <string.h>

#include "progstate.h"
#include "vendrel.h"

namespace rig {

// ---------------------------------------------------------------- message boxes

namespace {

std::vector<ShownBox> gBoxes;
HHOOK gHook;
int gCaptures;   // nesting depth of live captures

std::string WindowText(HWND w)
{
    char buf[4096];
    int n = GetWindowTextA(w, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string ClassOf(HWND w)
{
    char buf[64] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

// A message box is a dialog of the standard class that is not the installer's own dialog.
bool IsMessageBox(HWND w)
{
    return ClassOf(w) == "#32770" && GetDlgItem(w, IDC_PROG_DRIVE) == NULL &&
           GetPropA(w, "rig.seen") == NULL;
}

std::string MessageBoxText(HWND box)
{
    for (HWND c = GetWindow(box, GW_CHILD); c != NULL; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassOf(c) != "Static")
            continue;
        LONG style = GetWindowLongA(c, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON)
            continue;
        std::string t = WindowText(c);
        if (!t.empty())
            return t;
    }
    return "";
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = (HWND)wParam;
        if (IsMessageBox(box)) {
            SetPropA(box, "rig.seen", (HANDLE)1);
            RECT rect = {};
            GetWindowRect(box, &rect);
            gBoxes.push_back({WindowText(box), MessageBoxText(box), GetWindow(box, GW_OWNER), rect});
            HWND ok = GetDlgItem(box, IDOK);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)ok);
        }
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

}  // namespace

MessageBoxCapture::MessageBoxCapture()
{
    if (gCaptures++ == 0) {
        gBoxes.clear();
        gHook = SetWindowsHookExA(WH_CBT, CbtProc, NULL, GetCurrentThreadId());
    }
}

MessageBoxCapture::~MessageBoxCapture()
{
    if (--gCaptures == 0) {
        UnhookWindowsHookEx(gHook);
        gHook = NULL;
    }
}

const std::vector<ShownBox> &MessageBoxCapture::boxes() const { return gBoxes; }

std::vector<std::string> MessageBoxCapture::lines() const
{
    std::vector<std::string> out;
    for (const ShownBox &b : gBoxes)
        out.push_back(b.caption + "|" + b.text);
    return out;
}

void MessageBoxCapture::clear() { gBoxes.clear(); }

std::string Unsuccessful(const std::vector<std::pair<std::string, DWORD>> &failed)
{
    std::string text = "Quillmar|Installation unsuccessful.\n\nOne or more file/s not copied\nto their destination.";
    for (size_t i = 0; i < failed.size(); i++) {
        const std::string &path = failed[i].first;
        DWORD error = failed[i].second;
        // A long path is shown over lines, each after a backslash from its 40th character on,
        // or after its 64th.
        text += i == 0 ? "\n\n" : "\n";
        int column = 0;
        for (size_t c = 0; c < path.size(); c++) {
            text += path[c];
            column++;
            if (c + 1 < path.size() && ((column >= 40 && path[c] == '\\') || column >= 64)) {
                text += '\n';
                column = 0;
            }
        }
        text += ": ";
        if (error == kSameAsSource) {
            text += "this is the file being installed itself: pick another folder.";
            continue;
        }
        if (error == kCopyDiffers) {
            text += "the copy read back is not the same as its source.";
            continue;
        }
        char words[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, words,
                       sizeof words, NULL);
        std::string w = words;
        while (!w.empty() && (w.back() == '\r' || w.back() == '\n' || w.back() == ' '))
            w.pop_back();
        text += w.empty() ? "error " + std::to_string(error) : w;
        std::string name = path.substr(path.rfind('\\') + 1);
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            text += " " + name + " is in use: close Quillmar, then press OK again.";
        if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
            text += " Not enough room on " + path.substr(0, 2) + " for the new files.";
    }
    return text;
}

// ---------------------------------------------------------------- files and folders

void MakeDirs(const std::string &path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryA(path.substr(0, i).c_str(), NULL);
    }
    if (!DirExists(path))
        ADD_FAILURE() << "could not create folder " << path;
}

void WriteFile(const std::string &path, const std::string &content)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "could not create file " << path << " (error " << GetLastError() << ")";
        return;
    }
    DWORD written = 0;
    ::WriteFile(h, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(h);
}

std::string ReadFile(const std::string &path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "";
    // No more than the file's size: a link to a device (the full one) reads without end.
    std::string out(GetFileSize(h, NULL), '\0');
    DWORD got = 0;
    if (!out.empty() && !::ReadFile(h, &out[0], (DWORD)out.size(), &got, NULL))
        got = 0;
    out.resize(got);
    CloseHandle(h);
    return out;
}

bool FileExists(const std::string &path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string &path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void EmptyFolder(const std::string &path)
{
    std::string base = path;
    if (base.empty() || base.back() != '\\')
        base += '\\';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((base + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0)
            continue;
        RemoveTree(base + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

void RemoveTree(const std::string &path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return;
    if (a & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        EmptyFolder(path);
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
}

std::string SettingsFilePath()
{
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\QUILLMAR.INI";
}

std::string ReadSettingsFile() { return ReadFile(SettingsFilePath()); }

void CleanScratch()
{
    EmptyFolder("R:\\");
    EmptyFolder("T:\\");
    RemoveTree(kScratchC);
    DeleteFileA(SettingsFilePath().c_str());
    RemoveDirectoryA(SettingsFilePath().c_str());   // a test's folder in its place, left by a failure too
    // The profile functions cache the file they last wrote; make them forget it.
    WritePrivateProfileStringA(NULL, NULL, NULL, "QUILLMAR.INI");
}

// ---------------------------------------------------------------- the installer

void Pump() { PumpInstaller(); }

HWND StartInstaller(const std::string &sourceDir)
{
    if (!SetCurrentDirectoryA(sourceDir.c_str()))
        ADD_FAILURE() << "cannot enter source folder " << sourceDir;
    InitVendrel(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWNORMAL);
    Pump();
    return hQryDlgBox;
}

void StopInstaller()
{
    if (hWndMain != NULL && IsWindow(hWndMain))
        DestroyWindow(hWndMain);
    Pump();
    ResetProgramState();
    SetCurrentDirectoryA("C:\\");
}

std::vector<std::string> ListLines(HWND dlg, int id)
{
    std::vector<std::string> out;
    LRESULT n = SendDlgItemMessageA(dlg, id, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendDlgItemMessageA(dlg, id, LB_GETTEXTLEN, i, 0);
        std::string s(len > 0 ? len : 0, '\0');
        std::vector<char> buf(s.size() + 1);
        SendDlgItemMessageA(dlg, id, LB_GETTEXT, i, (LPARAM)buf.data());
        out.emplace_back(buf.data());
    }
    return out;
}

std::vector<std::string> ComboLines(HWND dlg, int id)
{
    std::vector<std::string> out;
    LRESULT n = SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendDlgItemMessageA(dlg, id, CB_GETLBTEXTLEN, i, 0);
        std::vector<char> buf((len > 0 ? len : 0) + 1);
        SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, i, (LPARAM)buf.data());
        out.emplace_back(buf.data());
    }
    return out;
}

int ListSel(HWND dlg, int id) { return (int)SendDlgItemMessageA(dlg, id, LB_GETCURSEL, 0, 0); }

std::string ComboSelText(HWND dlg, int id)
{
    LRESULT sel = SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR)
        return "";
    return ComboLines(dlg, id).at(sel);
}

static void Notify(HWND dlg, int id, int code)
{
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg, id));
    Pump();
}

void PickDrive(HWND dlg, int comboId, const std::string &driveText)
{
    LRESULT i = SendDlgItemMessageA(dlg, comboId, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)driveText.c_str());
    if (i == CB_ERR) {
        ADD_FAILURE() << "drive " << driveText << " is not in combo box " << comboId;
        return;
    }
    SendDlgItemMessageA(dlg, comboId, CB_SETCURSEL, i, 0);
    Notify(dlg, comboId, CBN_SELCHANGE);
}

void DropDown(HWND dlg, int comboId) { Notify(dlg, comboId, CBN_DROPDOWN); }

void PickLine(HWND dlg, int listId, int index)
{
    SendDlgItemMessageA(dlg, listId, LB_SETCURSEL, index, 0);
    Notify(dlg, listId, LBN_SELCHANGE);
}

void DoubleClickLine(HWND dlg, int listId, int index)
{
    SendDlgItemMessageA(dlg, listId, LB_SETCURSEL, index, 0);
    Notify(dlg, listId, LBN_DBLCLK);
}

void PickFile(HWND dlg, int fileListId, const std::string &name)
{
    LRESULT i = SendDlgItemMessageA(dlg, fileListId, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name.c_str());
    if (i == LB_ERR) {
        ADD_FAILURE() << "file " << name << " is not in list box " << fileListId;
        return;
    }
    SendDlgItemMessageA(dlg, fileListId, LB_SETCURSEL, i, 0);
    Notify(dlg, fileListId, LBN_SELCHANGE);
}

void SetRadio(HWND dlg, int id)
{
    SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0);
    Pump();
}

void SetEditText(HWND dlg, int id, const std::string &text)
{
    SetDlgItemTextA(dlg, id, text.c_str());
    Pump();
}

INT_PTR Command(HWND dlg, int id, int code)
{
    INT_PTR r = MainDlgBoxProc(dlg, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(dlg, id));
    Pump();
    return r;
}

// ---------------------------------------------------------------- fixture

void InstallerTest::SetUp()
{
    CleanScratch();
    boxes = new MessageBoxCapture;
    ASSERT_TRUE(WatchListings()) << "FindFirstFileW and FindClose are not imported by name";
}

HWND InstallerTest::Start(const std::string &sourceDir)
{
    dlg = StartInstaller(sourceDir);
    return dlg;
}

void InstallerTest::TearDown()
{
    StopInstaller();
    EXPECT_EQ(OpenListings(), 0u) << "listings of folders left open: the folders stay in use";
    delete boxes;
    boxes = nullptr;
    CleanScratch();
}

}  // namespace rig
