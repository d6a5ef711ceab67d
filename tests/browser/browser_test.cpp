// The drive lists, the dialog's start-up and commands, and the file lists, on the rig's drives:
// A: removable, C: fixed, E: CD-ROM, N: network, R: removable, T: fixed, Z: network.
#include "browser_checks.h"

#include "../../src/browser/treecore.h"

#include <map>
#include <set>

using bt::Strings;

class Browser : public bt::Browsers {};

TEST_F(Browser, DrivesPresentAreListedRemovableFirst)
{
    // D: is present but has no root (type 1): not listed. CD-ROM and network drives are hard
    // drives, listed in letter order after every removable drive, whatever their letters. The
    // gaps in the letters must neither hide a drive nor list a letter that is not there.
    rig::MakeDirs("C:\\qtest\\src");
    ASSERT_TRUE(DefineDosDeviceA(0, "D:", "C:\\qtest\\src"));
    ASSERT_EQ(DRIVE_NO_ROOT_DIR, GetDriveTypeA("D:\\"));
    Start("C:\\qtest\\src");
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, "D:", nullptr);

    // A: and Z:, the first and the last letter of the walk, are drives like any other.
    ASSERT_EQ(DRIVE_REMOVABLE, GetDriveTypeA("A:\\"));
    EXPECT_STREQ("AR", FloppyDrives);
    ASSERT_EQ(DRIVE_CDROM, GetDriveTypeA("E:\\"));
    ASSERT_EQ(DRIVE_REMOTE, GetDriveTypeA("N:\\"));
    ASSERT_EQ(DRIVE_REMOTE, GetDriveTypeA("Z:\\"));
    EXPECT_STREQ("CENTZ", HardDrives);
    EXPECT_EQ(7, NumDrives);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_STREQ("C:\\qtest\\src", gPath2);
    EXPECT_STREQ(gPath2, cwd);
    for (int combo : {101, 201, 301}) {
        EXPECT_EQ((Strings{"A:", "R:", "C:", "E:", "N:", "T:", "Z:"}), rig::ComboLines(dlg, combo)) << combo;
        EXPECT_EQ("C:", rig::ComboSelText(dlg, combo)) << combo;
    }
}

// All 26 letters in use, as the platform reports them at the program's import table: seven of
// them removable (a card reader's slots and two sticks), then all fixed, then all removable.
DWORD WINAPI AllLettersPresent() { return (1u << 26) - 1; }
UINT WINAPI SevenRemovable(LPCSTR root) { return strchr("BDHKPWY", root[0]) ? DRIVE_REMOVABLE : DRIVE_FIXED; }
UINT WINAPI AllFixed(LPCSTR) { return DRIVE_FIXED; }
UINT WINAPI AllRemovable(LPCSTR) { return DRIVE_REMOVABLE; }

TEST_F(Browser, AllTwentySixDrivesAreListed)
{
    const std::string az = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    struct { UINT(WINAPI *type)(LPCSTR); std::string floppy, hard; } cases[] = {
        {SevenRemovable, "BDHKPWY", "ACEFGIJLMNOQRSTUVXZ"},
        {AllFixed, "", az},
        {AllRemovable, az, ""},
    };
    for (auto &c : cases) {
        SCOPED_TRACE("removable \"" + c.floppy + "\"");
        void *present = rig::HookImport("GetLogicalDrives", (void *)AllLettersPresent);
        void *type = rig::HookImport("GetDriveTypeA", (void *)c.type);
        ASSERT_TRUE(present != nullptr && type != nullptr);
        Start();
        rig::HookImport("GetLogicalDrives", present);
        rig::HookImport("GetDriveTypeA", type);

        EXPECT_EQ(c.floppy, FloppyDrives);
        EXPECT_EQ(c.hard, HardDrives);
        EXPECT_EQ(26, NumDrives);
        Strings items;
        for (char letter : c.floppy + c.hard)
            items.push_back(std::string(1, letter) + ":");
        for (int combo : {101, 201, 301}) {
            EXPECT_EQ(items, rig::ComboLines(dlg, combo)) << combo;
            EXPECT_EQ("C:", rig::ComboSelText(dlg, combo)) << combo;
        }
        rig::StopInstaller();
    }
}

TEST_F(Browser, DriveBoxIsRebuiltFromTheLists)
{
    Start();
    struct { const char *floppy, *hard; int num; Strings items; std::string sel; } cases[] = {
        {"AB", "C", 3, {"A:", "B:", "C:"}, "C:"},
        {"R", "T", 2, {"R:", "T:"}, "R:"},           // no C: selects the first drive
        {"R", "CT", 25, {"R:", "C:", "T:"}, "C:"},   // a count beyond the letters adds no more
        {"", "", 0, {}, ""},
    };
    for (auto &c : cases) {
        strcpy(FloppyDrives, c.floppy);
        strcpy(HardDrives, c.hard);
        NumDrives = c.num;
        FillDrivesBox(dlg, 201);
        EXPECT_EQ(c.items, rig::ComboLines(dlg, 201)) << c.floppy << "|" << c.hard;
        EXPECT_EQ(c.sel, rig::ComboSelText(dlg, 201)) << c.floppy << "|" << c.hard;
    }
    // With no drive selected the tree keeps what it shows.
    std::string arrays = bt::ArrayBytes();
    Strings lines = rig::ListLines(dlg, 202);
    EXPECT_EQ(0, FillDirectoryBox(dlg, 201, 202));
    EXPECT_EQ(arrays, bt::ArrayBytes());
    EXPECT_EQ(lines, rig::ListLines(dlg, 202));
    EXPECT_TRUE(boxes->lines().empty());
}

// At start every browser shows C:, its tree and the default radio buttons; afterwards every
// command but OK and Cancel gives 1, and one group's commands leave the other groups alone.
TEST_F(Browser, StartUpAndCommandsOfOneGroup)
{
    bt::MakeDirsIn("T:", {"a\\b"});
    rig::WriteFile("T:\\a\\f.txt");
    Start();
    for (int drive : {101, 201, 301}) {
        EXPECT_EQ("C:", rig::ComboSelText(dlg, drive));
        EXPECT_EQ(0, rig::ListSel(dlg, drive + 1));
        EXPECT_EQ("C:\\", rig::ListLines(dlg, drive + 1).at(0));
    }
    for (int id : {109, 110, 111, 209, 210})
        EXPECT_EQ(id == 110 || id == 209, IsDlgButtonChecked(dlg, id) == BST_CHECKED) << id;

    std::string arrays = bt::ArrayBytes().substr(0, 2 * sizeof Struct1);
    Strings others[4] = {rig::ListLines(dlg, 102), rig::ListLines(dlg, 103), rig::ListLines(dlg, 202),
                         rig::ListLines(dlg, 203)};
    SendDlgItemMessageA(dlg, 301, CB_SELECTSTRING, (WPARAM)-1, (LPARAM) "T:");   // no notification
    int commands[][2] = {{301, CBN_SELCHANGE}, {301, CBN_DROPDOWN}, {301, CBN_CLOSEUP}, {302, LBN_SELCHANGE},
                         {302, LBN_DBLCLK},    {302, LBN_SETFOCUS}, {303, LBN_SELCHANGE}, {999, 0}};
    for (auto &c : commands) {
        if (c[0] == 302)
            SendDlgItemMessageA(dlg, 302, LB_SETCURSEL, 1, 0);
        EXPECT_EQ(1, rig::Command(dlg, c[0], c[1])) << c[0] << "/" << c[1];
    }
    EXPECT_TRUE(bt::TreeShows(dlg, 302, bt::Tree({"T:\\", "a"}, {"b"}), 1));
    EXPECT_EQ(Strings{"f.txt"}, rig::ListLines(dlg, 303));
    EXPECT_EQ(arrays, bt::ArrayBytes().substr(0, 2 * sizeof Struct1));
    Strings now[4] = {rig::ListLines(dlg, 102), rig::ListLines(dlg, 103), rig::ListLines(dlg, 202),
                      rig::ListLines(dlg, 203)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(others[i], now[i]) << i;
    EXPECT_TRUE(boxes->lines().empty());
}

// Wine sets the archive bit on every file, so the rule is checked on values too.
TEST(FileFilter, ArchiveOrReadOnlyAndNotADirectory)
{
    for (uint32_t listed : {0x20, 0x01, 0x21, 0x22, 0x24, 0x27})
        EXPECT_TRUE(IsListedFile(listed)) << std::hex << listed;
    for (uint32_t unlisted : {0x80, 0x00, 0x02, 0x04, 0x10, 0x30, 0x11, 0x12})
        EXPECT_FALSE(IsListedFile(unlisted)) << std::hex << unlisted;
}

// A path that ends in a name with a closing '.' or blank reaches another entry ("trail."
// reaches "trail"): such names are never lines. "." and ".." are dot entries, not such names.
TEST(FileFilter, NamesThatAPathCannotReachAreLeftOut)
{
    for (const char *reachable : {"a", ".config", "..old", " lead", "a.b", ".", ".."})
        EXPECT_TRUE(IsNameableEntry(reachable)) << "'" << reachable << "'";
    for (const char *unreachable : {"", "trail.", "space ", "x..", "dots...", "a. "})
        EXPECT_FALSE(IsNameableEntry(unreachable)) << "'" << unreachable << "'";
}

TEST_F(Browser, FilesOnlySortedAndNeverLeftSelected)
{
    bt::MakeDirsIn("T:", {"sub", ".config"});
    for (const char *f : {"T:\\b.txt", "T:\\A.txt", "T:\\C.TXT", "T:\\ro.txt", "T:\\.hidden", "T:\\sub\\in.txt"})
        rig::WriteFile(f);
    SetFileAttributesA("T:\\ro.txt", FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN), GetFileAttributesA("T:\\.hidden") & FILE_ATTRIBUTE_HIDDEN);
    Start();
    const Strings root = {".hidden", "A.txt", "b.txt", "C.TXT", "ro.txt"};
    struct { const char *gesture; void (*run)(HWND); Strings files; } cases[] = {
        {"drive picked", [](HWND d) { rig::PickDrive(d, 301, "T:"); }, root},
        {"drive list opened", [](HWND d) { rig::DropDown(d, 301); }, root},
        {"line picked", [](HWND d) { rig::PickLine(d, 302, 2); }, {"in.txt"}},
        {"line opened", [](HWND d) { rig::DoubleClickLine(d, 302, 2); }, {"in.txt"}},
        {"root picked", [](HWND d) { rig::PickLine(d, 302, 0); }, root},
        {"list cleared", [](HWND d) { ClearFileBox(d, 303); }, {}},
    };
    for (auto &c : cases) {
        SendDlgItemMessageA(dlg, 303, LB_SETCURSEL, 0, 0);
        c.run(dlg);
        EXPECT_EQ(c.files, rig::ListLines(dlg, 303)) << c.gesture;
        EXPECT_EQ(LB_ERR, rig::ListSel(dlg, 303)) << c.gesture;
    }
    EXPECT_TRUE(boxes->lines().empty());
}

// Under Wine a visible list box repaints on every line added or removed while it may redraw:
// a fill changes lines only with redraw off, turns it back on and repaints once.
struct ListWatch {
    WNDPROC proc;
    bool redraw;
    int changesWhileRedrawing, paints;
} gWatch[2];
template <int N> LRESULT CALLBACK WatchList(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    ListWatch &lw = gWatch[N];
    lw.redraw = m == WM_SETREDRAW ? wp != 0 : lw.redraw;
    lw.changesWhileRedrawing += lw.redraw && (m == LB_ADDSTRING || m == LB_INSERTSTRING || m == LB_DELETESTRING);
    lw.paints += m == WM_PAINT;
    return CallWindowProcA(lw.proc, w, m, wp, lp);
}

TEST_F(Browser, OneRepaintPerFill)
{
    bt::MakeDirsIn("T:", bt::Numbered("dir", 60));
    for (const std::string &f : bt::Numbered("T:\\file", 60))
        rig::WriteFile(f);
    Start();
    HWND lists[2] = {GetDlgItem(dlg, 102), GetDlgItem(dlg, 103)};
    gWatch[0].proc = (WNDPROC)SetWindowLongPtrA(lists[0], GWLP_WNDPROC, (LONG_PTR)WatchList<0>);
    gWatch[1].proc = (WNDPROC)SetWindowLongPtrA(lists[1], GWLP_WNDPROC, (LONG_PTR)WatchList<1>);
    struct { const char *gesture; void (*run)(HWND); int firstList; size_t files; } cases[] = {
        {"drive picked", [](HWND d) { rig::PickDrive(d, 101, "T:"); }, 0, 60},
        {"root opened", [](HWND d) { rig::DoubleClickLine(d, 102, 0); }, 0, 60},
        {"list cleared", [](HWND d) { ClearFileBox(d, 103); rig::Pump(); }, 1, 0},
    };
    for (auto &c : cases) {
        for (ListWatch &lw : gWatch)
            lw = {lw.proc, true, 0, 0};
        c.run(dlg);
        EXPECT_EQ(61u, rig::ListLines(dlg, 102).size()) << c.gesture;
        EXPECT_EQ(c.files, rig::ListLines(dlg, 103).size()) << c.gesture;
        for (int i = c.firstList; i < 2; ++i) {
            EXPECT_EQ(0, gWatch[i].changesWhileRedrawing) << c.gesture << ", list " << i;
            EXPECT_TRUE(gWatch[i].redraw) << c.gesture << ", list " << i;
            EXPECT_EQ(1, gWatch[i].paints) << c.gesture << ", list " << i;
        }
    }
    for (int i = 0; i < 2; ++i)
        SetWindowLongPtrA(lists[i], GWLP_WNDPROC, (LONG_PTR)gWatch[i].proc);
}

namespace bt {
namespace {

typedef BOOL(WINAPI *RedrawWindowFn)(HWND, const RECT *, HRGN, UINT);
RedrawWindowFn gRedrawWindow;
HHOOK gSentHook;
std::map<HWND, std::string> gUnpainted;   // a list's last change with no repaint after it, named
std::set<HWND> gRedrawOff;
Strings gMissed;

std::string BrowserList(HWND w)
{
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    int id = GetDlgCtrlID(w);
    bool list = _stricmp(cls, "ListBox") == 0 && id / 100 >= 1 && id / 100 <= 3 && (id % 100 == 2 || id % 100 == 3);
    return list ? "list " + std::to_string(id) : "";
}

void Missed(HWND w)
{
    auto it = gUnpainted.find(w);
    if (it != gUnpainted.end())
        gMissed.push_back(it->second + " with no repaint of its frame after it");
    gUnpainted.erase(w);
}

LRESULT CALLBACK SeeSent(int code, WPARAM wp, LPARAM lp)
{
    const CWPSTRUCT *m = (const CWPSTRUCT *)lp;
    std::string list = code == HC_ACTION ? BrowserList(m->hwnd) : "";
    if (!list.empty()) {
        const char *change = m->message == LB_ADDSTRING      ? "LB_ADDSTRING"
                             : m->message == LB_INSERTSTRING ? "LB_INSERTSTRING"
                             : m->message == LB_DELETESTRING ? "LB_DELETESTRING"
                             : m->message == LB_RESETCONTENT ? "LB_RESETCONTENT"
                                                             : nullptr;
        if (change)
            gUnpainted[m->hwnd] = list + ": " + change;
        if (m->message == WM_SETREDRAW && m->wParam == FALSE) {
            Missed(m->hwnd);   // a fill begins: the one before it must have repainted
            gRedrawOff.insert(m->hwnd);
        }
        if (m->message == WM_SETREDRAW && m->wParam != FALSE)
            gRedrawOff.erase(m->hwnd);
    }
    return CallNextHookEx(gSentHook, code, wp, lp);
}

BOOL WINAPI SeeRedraw(HWND w, const RECT *rect, HRGN region, UINT flags)
{
    const UINT whole = RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN;
    if (rect == nullptr && region == nullptr && (flags & whole) == whole && gRedrawOff.count(w) == 0)
        gUnpainted.erase(w);
    return gRedrawWindow(w, rect, region, flags);
}

}  // namespace

void Browsers::SetUp()
{
    rig::InstallerTest::SetUp();
    gUnpainted.clear();
    gRedrawOff.clear();
    gMissed.clear();
    gRedrawWindow = (RedrawWindowFn)rig::HookImportFrom("user32.dll", "RedrawWindow", (void *)SeeRedraw);
    ASSERT_NE(gRedrawWindow, nullptr) << "the program's RedrawWindow calls cannot be watched";
    gSentHook = SetWindowsHookExA(WH_CALLWNDPROC, SeeSent, NULL, GetCurrentThreadId());
    ASSERT_NE(gSentHook, nullptr);
}

void Browsers::TearDown()
{
    while (!gUnpainted.empty())
        Missed(gUnpainted.begin()->first);
    EXPECT_EQ(Strings{}, gMissed) << "every fill ends with a repaint of the whole list and its frame";
    if (gSentHook != nullptr)
        UnhookWindowsHookEx(gSentHook);
    gSentHook = nullptr;
    if (gRedrawWindow != nullptr)
        rig::HookImportFrom("user32.dll", "RedrawWindow", (void *)gRedrawWindow);
    rig::InstallerTest::TearDown();
}

}  // namespace bt
