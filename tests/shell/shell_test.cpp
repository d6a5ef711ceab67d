// The shell in the test process: the application name, the main window under the dialog,
// moves and system commands, the ways out of the message loop, the radio groups, and a module
// without the dialog template.
#include <stdio.h>
#include <string.h>

#include <oleacc.h>

#include "rig.h"
#include "vendrel.h"

namespace {

class Shell : public rig::InstallerTest {};

std::string ClassName(HWND w)
{
    char buf[64] = {};
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

std::string Title(HWND w)
{
    char buf[64] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

bool SameRect(HWND a, HWND b, std::string *why)
{
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    if (EqualRect(&ra, &rb))
        return true;
    *why = "main (" + std::to_string(ra.left) + "," + std::to_string(ra.top) + ")-(" +
           std::to_string(ra.right) + "," + std::to_string(ra.bottom) + ") dialog (" +
           std::to_string(rb.left) + "," + std::to_string(rb.top) + ")-(" +
           std::to_string(rb.right) + "," + std::to_string(rb.bottom) + ")";
    return false;
}

INT_PTR CALLBACK InertDlgProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

// The size of a dialog made from the program's template in the test process, left alone.
SIZE TemplateSize()
{
    HWND ref = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_INSTALL), NULL, InertDlgProc, 0);
    RECT r = {};
    GetWindowRect(ref, &r);
    DestroyWindow(ref);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void CALLBACK EndStuckLoop(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// Runs the program's own message loop; a timer ends a loop that would not end by itself
// with status 99.
int RunLoop()
{
    UINT_PTR guard = SetTimer(NULL, 0, 15000, EndStuckLoop);
    int status = RunVendrel();
    KillTimer(NULL, guard);
    return status;
}

TEST_F(Shell, AppNameIsTheFirstNineCharactersOfString1)
{
    Start();
    EXPECT_EQ(std::string(SetUpData.szAppName), "Quillmar ");
    EXPECT_EQ(ClassName(hWndMain), "Quillmar ");
    EXPECT_EQ(Title(hWndMain), "Quillmar ");
    EXPECT_EQ(GetWindowLongA(hWndMain, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), hWndMain);
    EXPECT_EQ(hInst, GetModuleHandleA(NULL));
    EXPECT_EQ(lpModelessProc, &MainDlgBoxProc);
}

TEST_F(Shell, MainWindowLiesExactlyUnderTheDialog)
{
    Start();
    std::string why;
    EXPECT_TRUE(SameRect(hWndMain, dlg, &why)) << why;
    // Both keep the template's size wherever the dialog lies on the screen.
    SIZE want = TemplateSize();
    ASSERT_GT(want.cx, 0);
    RECT r;
    GetWindowRect(dlg, &r);
    EXPECT_EQ(want.cx, r.right - r.left);
    EXPECT_EQ(want.cy, r.bottom - r.top);
    EXPECT_EQ(GetWindow(dlg, GW_HWNDNEXT), hWndMain) << "the main window is directly beneath the dialog";
    EXPECT_TRUE(IsWindowVisible(hWndMain));
    EXPECT_TRUE(IsWindowVisible(dlg));
}

TEST_F(Shell, DialogFollowsTheMainWindowAndSnapsBack)
{
    Start();
    RECT r;
    GetWindowRect(hWndMain, &r);
    std::string why;

    MoveWindow(hWndMain, r.left + 40, r.top + 30, r.right - r.left, r.bottom - r.top, TRUE);
    rig::Pump();
    RECT moved;
    GetWindowRect(dlg, &moved);
    EXPECT_EQ(moved.left, r.left + 40);
    EXPECT_EQ(moved.top, r.top + 30);
    EXPECT_TRUE(SameRect(hWndMain, dlg, &why)) << "after a move of the main window: " << why;

    SetWindowPos(dlg, NULL, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    rig::Pump();
    EXPECT_TRUE(SameRect(hWndMain, dlg, &why)) << "after a move of the dialog: " << why;
}

// What the taskbar and the system give the main window: minimise and restore, the keyboard
// focus, and the question of a log-off or shutdown.
TEST_F(Shell, TheMainWindowCarriesSystemCommandsFocusAndLogOff)
{
    Start();
    HWND had = GetDlgItem(dlg, IDC_CRIT_DIR);   // not the dialog's first tab stop
    SetFocus(had);
    ASSERT_EQ(GetFocus(), had);
    SendMessageA(dlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    rig::Pump();
    EXPECT_TRUE(IsIconic(hWndMain));
    EXPECT_FALSE(IsWindowVisible(dlg)) << "an owned dialog hides with its minimised owner";

    SendMessageA(hWndMain, WM_SYSCOMMAND, SC_RESTORE, 0);
    rig::Pump();
    EXPECT_FALSE(IsIconic(hWndMain));
    EXPECT_TRUE(IsWindowVisible(dlg));
    std::string why;
    EXPECT_TRUE(SameRect(hWndMain, dlg, &why)) << why;

    // Restored from the taskbar, the main window is given the focus: the keyboard goes back
    // to the dialog's control that had it.
    SetFocus(hWndMain);
    rig::Pump();
    EXPECT_EQ(GetFocus(), had) << "focus on " << GetDlgCtrlID(GetFocus()) << ", main window " << hWndMain;

    // The installer never blocks a log-off or a shutdown.
    EXPECT_EQ(SendMessageA(hWndMain, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 1);
    EXPECT_EQ(SendMessageA(hWndMain, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF), 0);
    EXPECT_TRUE(IsWindow(hWndMain)) << "a log-off called off leaves the installer running";
    EXPECT_TRUE(boxes->boxes().empty());
}

// Every way out ends the loop with status 0; only the dialog's own WM_CLOSE clears hQryDlgBox.
TEST_F(Shell, EveryWayOutEndsTheLoopWithStatus0)
{
    struct Way {
        const char *name;
        void (*act)(HWND dlg);
        bool dialogClosedItself;
    };
    const Way ways[] = {
        {"Cancel", [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(d, IDCANCEL)); }, true},
        {"Esc", [](HWND d) {
             HWND focus = GetDlgItem(d, IDC_PROG_DRIVE);
             SetFocus(focus);
             PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         }, true},
        {"WM_CLOSE to the dialog", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, true},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        HWND d = Start();
        ASSERT_NE(d, nullptr);
        HWND main = hWndMain;
        way.act(d);
        EXPECT_EQ(RunLoop(), 0);
        EXPECT_FALSE(IsWindow(main));
        EXPECT_FALSE(IsWindow(d));
        if (way.dialogClosedItself)
            EXPECT_EQ(hQryDlgBox, nullptr);
        else
            EXPECT_EQ(hQryDlgBox, d) << "the dialog went with its owner and kept its (dead) handle";
        EXPECT_TRUE(boxes->boxes().empty());
        rig::StopInstaller();
    }
}

// After the dialog was destroyed with the main window, the loop goes on without it: a key
// for the thread and a posted message are still dispatched, and the quit ends it with 0.
TEST_F(Shell, LoopNeverUsesADestroyedDialog)
{
    HWND d = Start();
    DestroyWindow(hWndMain);   // WM_DESTROY posts the quit message
    ASSERT_FALSE(IsWindow(d));
    ASSERT_EQ(hQryDlgBox, d);
    PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(RunLoop(), 0);
}

std::wstring FieldText(HWND field)
{
    wchar_t text[400] = {};
    GetWindowTextW(field, text, 400);
    return text;
}

// "259 characters, the fourth U+0100"
std::string Described(const std::wstring &text)
{
    char fourth[16] = "none";
    if (text.size() > 3)
        snprintf(fourth, sizeof fourth, "U+%04X", (unsigned)text[3]);
    return std::to_string(text.size()) + " characters, the fourth " + fourth;
}

// The typed-path fields are Unicode windows, and the loop hands them what is typed unconverted:
// a letter outside the code page arrives as itself, to be refused, never as its look-alike.
// Typed or pasted, a field takes no more than the installation reads of it.
TEST_F(Shell, TypedPathFieldsTakeEveryLetterAndNoMoreThanIsRead)
{
    Start();
    const std::wstring text = L"T:\\\x0100" L"bc\\" + std::wstring(300, L'x');   // T:\Ābc\xxx...
    const struct {
        int id, limit;
    } fields[] = {{IDC_PROG_NEWPATH, kProgTypedChars}, {IDC_CRIT_NEWPATH, kCritTypedChars}};
    for (const auto &f : fields) {
        HWND field = GetDlgItem(dlg, f.id);
        EXPECT_TRUE(IsWindowUnicode(field)) << f.id;
        const std::wstring want = text.substr(0, f.limit);
        SetFocus(field);
        SetWindowTextW(field, L"");
        for (wchar_t ch : text)
            PostMessageW(field, WM_CHAR, ch, 1);
        PostQuitMessage(0);   // once the queue holds no more keys
        EXPECT_EQ(RunLoop(), 0);
        EXPECT_TRUE(want == FieldText(field)) << "typed into " << f.id << ": " << Described(FieldText(field));

        SetWindowTextW(field, L"");
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(copy), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(copy);
        ASSERT_TRUE(OpenClipboard(dlg));
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, copy);
        CloseClipboard();
        SendMessageW(field, WM_PASTE, 0, 0);
        EXPECT_TRUE(want == FieldText(field)) << "pasted into " << f.id << ": " << Described(FieldText(field));
    }
    OpenClipboard(dlg);
    EmptyClipboard();
    CloseClipboard();
}

TEST_F(Shell, EachRadioGroupKeepsExactlyOneButton)
{
    Start();
    auto checked = [&](std::initializer_list<int> ids) {
        std::string s;
        for (int id : ids)
            s += IsDlgButtonChecked(dlg, id) == BST_CHECKED ? '1' : '0';
        return s;
    };
    // program 109 110 111 | criteria 209 210
    EXPECT_EQ(checked({109, 110, 111}), "010");
    EXPECT_EQ(checked({209, 210}), "10");

    const struct {
        int click;
        const char *program, *criteria;
    } steps[] = {
        {111, "001", "10"}, {210, "001", "01"}, {109, "100", "01"},
        {209, "100", "10"}, {110, "010", "10"}, {210, "010", "01"},
    };
    for (const auto &s : steps) {
        rig::SetRadio(dlg, s.click);
        EXPECT_EQ(checked({109, 110, 111}), s.program) << "after clicking " << s.click;
        EXPECT_EQ(checked({209, 210}), s.criteria) << "after clicking " << s.click;
    }
}

// A module without the template: two messages, no dialog, and the resource handle cleared.
TEST_F(Shell, MissingTemplateShowsTwoErrorsAndNoDialog)
{
    HMODULE bare = GetModuleHandleA("ntdll.dll");
    ASSERT_EQ(FindResourceA(bare, MAKEINTRESOURCEA(IDD_INSTALL), (LPCSTR)RT_DIALOG), nullptr);
    hInst = bare;
    lpModelessProc = MainDlgBoxProc;
    InitMainDlg(NULL);
    rig::Pump();
    EXPECT_EQ(boxes->lines(), (std::vector<std::string>{"ERROR|Resource handle error", "ERROR|hdlgr error"}));
    for (const rig::ShownBox &b : boxes->boxes())
        EXPECT_EQ(b.owner, nullptr);
    EXPECT_EQ(hQryDlgBox, nullptr);
    EXPECT_EQ(hdlgr, nullptr);
    EXPECT_EQ(FindWindowA(NULL, "Install Quillmar"), nullptr);
}

// A second instance registers no class of its own but still builds its window and dialog.
TEST_F(Shell, AddedInstanceSkipsClassRegistration)
{
    Start();   // registers the class "Quillmar " in this process
    rig::StopInstaller();
    memcpy(SetUpData.szAppName, "Quillmar ", 10);   // what the first instance had loaded
    InitVendrel(GetModuleHandleA(NULL), (HINSTANCE)1, (LPSTR) "", SW_SHOWNORMAL);
    rig::Pump();
    EXPECT_NE(hWndMain, nullptr);
    EXPECT_NE(hQryDlgBox, nullptr);
    EXPECT_TRUE(boxes->boxes().empty());
}

}  // namespace

namespace {

// What the keyboard reaches in the live dialog, keys going through the program's own loop rule
// (the dialog's keys first), and how a screen reader names each control.
class Keyboard : public rig::InstallerTest {
protected:
    // The focused control: its id, or for a control that nothing addresses its class and text.
    std::string Focused()
    {
        HWND f = GetFocus();
        if (f == NULL || GetParent(f) != dlg)
            return "outside";
        int id = GetDlgCtrlID(f);
        if (id != IDC_STATIC_UNUSED)
            return std::to_string(id);
        char text[64] = {};
        GetWindowTextA(f, text, sizeof text);
        return std::string("'") + text + "'";
    }
    std::string Radios()
    {
        std::string s;
        for (int id : {IDC_PROG_EXISTING, IDC_PROG_DEFAULT, IDC_PROG_NEW, 0, IDC_CRIT_EXISTING, IDC_CRIT_NEW})
            s += id == 0 ? '|' : IsDlgButtonChecked(dlg, id) == BST_CHECKED ? '1' : '0';
        return s;
    }
    void Press(UINT vk)
    {
        HWND f = GetFocus();
        PostMessageA(f, WM_KEYDOWN, vk, 1);
        PostMessageA(f, WM_KEYUP, vk, 0xC0000001);
        rig::Pump();
    }
};

// Tab walks the tab stops in the template's order, a radio group by its checked button. The
// arrows move within a group of the template (Right and Left as Down and Up), checking the radio
// button they reach; lists, combo boxes and edit fields keep them. Where a group's first control
// is a label, an arrow can put the focus on it: Up from the program radios' group box lands on
// the editor's frame, the last of its group.
TEST_F(Keyboard, TabAndArrowsWalkTheTemplatesGroups)
{
    Start();
    SetFocus(GetDlgItem(dlg, IDC_PROG_DRIVE));
    std::string tabs = Focused();
    for (int i = 0; i < 17; ++i) {
        Press(VK_TAB);
        tabs += " " + Focused();
    }
    EXPECT_EQ("101 102 103 201 202 203 2 1 105 110 112 301 302 303 205 209 212 101", tabs);

    // From, key: focus and radios 109 110 111 | 209 210, from the default radios.
    const char *const kWalks =
        "2 down: 1 010|10\n2 up: 203 010|10\n"
        "1 down: 'Quillmar.exe' 010|10\n1 up: 2 010|10\n"
        "105 down: 109 100|10\n105 up: 'Quillmar.exe' 010|10\n"
        "109 down: 110 010|10\n109 up: 105 010|10\n"
        "110 down: 111 001|10\n110 up: 109 100|10\n"
        "111 down: 112 010|10\n111 up: 110 010|10\n"
        "112 down: 112 010|10\n112 up: 112 010|10\n"
        "205 down: 209 010|10\n205 up: 210 010|01\n"
        "209 down: 210 010|01\n209 up: 205 010|10\n"
        "210 down: 205 010|10\n210 up: 209 010|10\n"
        "212 down: 212 010|10\n212 up: 212 010|10\n";
    std::string walks;
    for (int from : {2, 1, 105, 109, 110, 111, 112, 205, 209, 210, 212}) {
        for (UINT vk : {VK_DOWN, VK_UP, VK_RIGHT, VK_LEFT}) {
            CheckRadioButton(dlg, IDC_PROG_EXISTING, IDC_PROG_NEW, IDC_PROG_DEFAULT);
            CheckRadioButton(dlg, IDC_CRIT_EXISTING, IDC_CRIT_NEW, IDC_CRIT_EXISTING);
            SetFocus(GetDlgItem(dlg, from));
            Press(vk);
            std::string walk = std::to_string(from) + (vk == VK_DOWN || vk == VK_RIGHT ? " down: " : " up: ") +
                               Focused() + " " + Radios() + "\n";
            if (vk == VK_DOWN || vk == VK_UP)
                walks += walk;
            else
                EXPECT_NE(walks.find(walk), std::string::npos) << "Right and Left as Down and Up: " << walk;
        }
    }
    EXPECT_EQ(kWalks, walks);
}

// The name that a screen reader gives each control without a caption of its own: by Windows'
// documented rule ("Providing the Name Property"), the nearest static text control before it in
// z-order, the search stopping at a control with WS_GROUP and WS_TABSTOP. Wine's own
// screen-reader layer applies that rule to edit fields: what it says of the two typed-path
// fields is read too.
TEST_F(Keyboard, EveryControlHasANameOfItsOwn)
{
    auto labelOf = [](HWND control) -> std::string {
        for (HWND w = GetWindow(control, GW_HWNDPREV); w != NULL; w = GetWindow(w, GW_HWNDPREV)) {
            LONG style = GetWindowLongA(w, GWL_STYLE);
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            int type = style & SS_TYPEMASK;
            if (_stricmp(cls, "Static") == 0 && (type <= SS_RIGHT || type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP)) {
                char text[128] = {};
                GetWindowTextA(w, text, sizeof text);
                return text;
            }
            if ((style & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP))
                return "(none: stopped at " + std::to_string(GetDlgCtrlID(w)) + ")";
        }
        return "(none)";
    };
    const char *const kProgField = "New directory for quillmar.exe";
    const char *const kCritField = "New directory for the include/exclude files";
    const struct {
        int id;
        const char *name;
    } kNames[] = {{101, "Drive"}, {102, "Directory"}, {103, "Files"}, {201, "Drive"}, {202, "Directory"},
                  {203, "Files"}, {301, "Drive"}, {302, "Directory"}, {303, "Files"}, {112, kProgField},
                  {212, kCritField}};
    Start();
    for (const auto &n : kNames)
        EXPECT_EQ(n.name, labelOf(GetDlgItem(dlg, n.id))) << "control " << n.id;

    // IAccessible's interface id (a plain reference to the import library's IID_IAccessible
    // reaches its import thunk, not the GUID).
    static const IID kIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
    for (int id : {IDC_PROG_NEWPATH, IDC_CRIT_NEWPATH}) {
        IAccessible *acc = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(GetDlgItem(dlg, id), (DWORD)OBJID_CLIENT, kIAccessible, (void **)&acc), S_OK);
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        EXPECT_EQ(acc->get_accName(self, &name), S_OK) << "field " << id;
        char text[128] = {};
        if (name != nullptr)
            WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, NULL, NULL);
        EXPECT_STREQ(id == IDC_PROG_NEWPATH ? kProgField : kCritField, text) << "field " << id << ", as oleacc names it";
        SysFreeString(name);
        acc->Release();
    }
    CoUninitialize();
}

}  // namespace
