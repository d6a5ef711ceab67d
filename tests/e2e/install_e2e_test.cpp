// The built install.exe run as a user runs it: from a staged source folder, its dialog driven
// from this process (drives, tree lines, a double-click, the editor file, radio buttons, typed
// paths), OK pressed and every message box read and answered, then Cancel. Each case checks
// the boxes (caption, text, owner), QUILLMAR.INI line by line, every entry that appeared on or
// vanished from the drives (copies byte for byte), and exit status 0.
#include "rig.h"
#include "scene.h"
#include "vendrel0.h"

namespace {

using scene::Case;
using scene::CriteriaCopies;
using scene::MakeDirs;
using scene::ProgramCopies;
using scene::Session;
using scene::SourceRemoved;
using scene::kCritRefused;
using scene::kDefaultHelp;
using scene::kInstall;
using scene::kProgRefused;
using scene::kSection;
using scene::kWprocess;
using scene::operator+;

const std::vector<std::string> kDefaultCopies = scene::DefaultCopies();

// The refusal of a program folder that another account owns.
std::string OwnedElsewhere(const std::string &dir)
{
    return "ERROR|" + dir + "\n\nAnother account owns this folder: the program files were not installed.";
}

// Paths whose modes let users other than the owner write, with their modes.
std::vector<std::string> WritableByOthers(const std::vector<std::string> &paths)
{
    std::vector<std::string> modes = scene::UnixModes(paths), out;
    for (size_t i = 0; i < paths.size(); ++i)
        if (scene::OthersMayWrite(modes[i]))
            out.push_back(paths[i] + " " + modes[i]);
    return out;
}

class Installation : public scene::EndToEnd {};

// A complete installation: every file at its destination, then the four source copies
// removed (install.exe stays) and "install" recorded.
TEST_F(Installation, EveryDestinationKindInstallsAndEmptiesTheSource)
{
    const std::string crit80 = "T:\\long\\" + std::string(60, 'x') + "\\tail-cut-off-here";
    const std::string crit79 = crit80.substr(0, 79);
    const std::string longDir = "T:\\long\\" + std::string(60, 'x');

    const Case cases[] = {
        {"the default folder; criteria into an existing folder",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", kInstall},
         kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved()},

        {"an existing folder opened with a double-click; criteria into a new folder on the removable drive",
         [] { MakeDirs("T:\\apps\\quill"); },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\apps\\quill"));
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "R:\\crit\\new");
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\apps\\quill\\userhelp.hlp ", "criteria=R:\\crit\\new", kInstall},
         ProgramCopies("T:\\apps\\quill") + std::vector<std::string>{"+ R:\\crit\\", "+ R:\\crit\\new\\"} +
             CriteriaCopies("R:\\crit\\new") + SourceRemoved()},

        // Started from another copy, so that the source's install.exe is not the running
        // program: it stays all the same.
        {"drive roots as existing folders; the program started from another folder",
         [] {
             MakeDirs("C:\\qtest\\bin");
             scene::Write("C:\\qtest\\bin\\install.exe", scene::ProductBytes("install.exe"));
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "R:\\"));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\"));
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=R:\\\\userhelp.hlp ", "criteria=T:\\", kInstall},
         ProgramCopies("R:\\") + CriteriaCopies("T:\\") + SourceRemoved(), "install.exe", {}, scene::kSource,
         "C:\\qtest\\bin\\install.exe"},

        // The levels made for the program give other users nothing; the criteria's keep what
        // a new folder inherits (755 under Wine), since users edit those files.
        {"typed folders with doubled and closing backslashes",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "t:\\a\\\\b\\");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "T:\\c\\\\d\\\\");
             s.Ok(1);
             std::vector<std::string> modes = scene::UnixModes({"T:\\a", "T:\\a\\b", "T:\\c", "T:\\c\\d"});
             for (int i : {0, 1})
                 EXPECT_EQ(modes[i].substr(modes[i].size() - 1), "0") << "program level " << i << ": mode " << modes[i];
             EXPECT_EQ(scene::Block({"755", "755"}), scene::Block({modes[2], modes[3]})) << "criteria levels";
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=t:\\a\\b\\userhelp.hlp", "criteria=T:\\c\\\\d", kInstall},
         std::vector<std::string>{"+ T:\\a\\", "+ T:\\a\\b\\", "+ T:\\c\\", "+ T:\\c\\d\\"} +
             ProgramCopies("T:\\a\\b") + CriteriaCopies("T:\\c\\d") + SourceRemoved()},

        // The installer's current folder is on C:, so T: and R: are at their roots.
        {"typed folders relative to a drive's current folder (t:qtools\\new, r:crit)",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "t:qtools\\new");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "r:crit");
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=t:qtools\\new\\userhelp.hlp", "criteria=r:crit", kInstall},
         std::vector<std::string>{"+ T:\\qtools\\", "+ T:\\qtools\\new\\", "+ R:\\crit\\"} +
             ProgramCopies("T:\\qtools\\new") + CriteriaCopies("R:\\crit") + SourceRemoved()},

        // The level "fw/x" is created by one call, which the platform reads as T:\fw\x.
        {"a forward slash inside a typed level, below an existing folder",
         [] { MakeDirs("T:\\fw"); },
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "T:\\fw/x");
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\fw"));
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\fw/x\\userhelp.hlp", "criteria=T:\\fw", kInstall},
         std::vector<std::string>{"+ T:\\fw\\x\\"} + ProgramCopies("T:\\fw\\x") + CriteriaCopies("T:\\fw") +
             SourceRemoved()},

        // Only the first 79 characters of the criteria field are read: the cut falls inside
        // the last level, and that cut name is what is created, recorded and copied into.
        {"a criteria folder typed with more than 79 characters",
         nullptr,
         [crit80](Session &s) {
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, crit80);
             EXPECT_EQ(s.p.EditText(IDC_CRIT_NEWPATH), crit80);
         },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=" + crit79, kInstall},
         kDefaultCopies + std::vector<std::string>{"+ T:\\long\\", "+ " + longDir + "\\", "+ " + crit79 + "\\"} +
             CriteriaCopies(crit79) + SourceRemoved()},

        // What Windows gives a folder made at the root of C: by anyone: every user may change
        // it and what it holds. After the OK only its owner and administrators may change the
        // folder and the program files; the user's other file stays.
        {"over an older installation in a c:\\quillmar open to every user (mode 777, its files 666)",
         [] {
             MakeDirs("C:\\quillmar");
             MakeDirs("T:\\crit");
             std::vector<std::string> files;
             for (const char *name : {"quillmar.exe", "install.exe", "userhelp.hlp", "notes.txt"}) {
                 files.push_back(std::string("C:\\quillmar\\") + name);
                 scene::Write(files.back(), std::string("an older ") + name);
             }
             ASSERT_TRUE(scene::ChangeUnix("chmod 777", {"C:\\quillmar"}));
             ASSERT_TRUE(scene::ChangeUnix("chmod 666", files));
         },
         [](Session &s) {
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
             s.Ok(1);
             EXPECT_EQ("", scene::Block(WritableByOthers({"C:\\quillmar", "C:\\quillmar\\quillmar.exe",
                                                          "C:\\quillmar\\install.exe", "C:\\quillmar\\userhelp.hlp"})));
             EXPECT_EQ(scene::Read("C:\\quillmar\\notes.txt"), "an older notes.txt");
         },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", kInstall},
         std::vector<std::string>{"* C:\\quillmar\\install.exe", "* C:\\quillmar\\quillmar.exe",
                                  "* C:\\quillmar\\userhelp.hlp"} +
             CriteriaCopies("T:\\crit") + SourceRemoved()},

        // A source folder at a drive root: every joined name has two backslashes in a row,
        // which reach the same files.
        {"the source folder at the root of the removable drive",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", "install=R:\\\\userhelp.hlp"},
         kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved("R:\\"),
         "install.exe", {}, "R:\\"},

        // Keys alone in the browsers, each through the installer's own loop: arrows move in a
        // tree, Enter opens its line as a double-click does (no box, no installation), Enter
        // in the editor's file list presses OK. The editor is two levels below the root.
        {"the keyboard alone: Enter opens folders in the three trees, Enter in the file list installs",
         [] {
             MakeDirs("T:\\apps\\quill");
             MakeDirs("T:\\data\\crit");
             MakeDirs("T:\\tools\\deep");
             scene::Write("T:\\tools\\deep\\ked.exe", "a keyboard user's editor");
         },
         [](Session &s) {
             auto key = [&s](int list, UINT vk, int sel) {
                 s.p.PressKey(list, vk);
                 EXPECT_EQ(s.p.ListSel(list), sel) << "list " << list << " after key " << vk;
             };
             // Enter in a tree: its lines, the line selected, and the files that its file list shows.
             auto enter = [&s](int tree, const std::vector<std::string> &lines, int sel,
                               const std::vector<std::string> &files) {
                 s.p.PressKey(tree, VK_RETURN);
                 EXPECT_EQ(scene::Block(lines), scene::Block(s.p.ListLines(tree))) << "tree " << tree;
                 EXPECT_EQ(s.p.ListSel(tree), sel) << "tree " << tree;
                 EXPECT_EQ(scene::Block(files), scene::Block(s.p.ListLines(tree + 1))) << "files of tree " << tree;
             };
             s.p.Click(IDC_PROG_EXISTING);
             s.p.PickDrive(IDC_PROG_DRIVE, "T:");
             key(IDC_PROG_DIR, VK_DOWN, 1);
             enter(IDC_PROG_DIR, {"T:\\", " apps", "  quill"}, 1, {});
             key(IDC_PROG_DIR, VK_DOWN, 2);

             s.p.PickDrive(IDC_CRIT_DRIVE, "T:");
             key(IDC_CRIT_DIR, VK_DOWN, 1);
             key(IDC_CRIT_DIR, VK_DOWN, 2);
             enter(IDC_CRIT_DIR, {"T:\\", " data", "  crit"}, 1, {});
             key(IDC_CRIT_DIR, VK_DOWN, 2);

             // The editor tree shows T:\ with " tools" selected (the editor picked by Check).
             enter(IDC_EDITOR_DIR, {"T:\\", " tools", "  deep"}, 1, {"qedit.exe"});
             key(IDC_EDITOR_DIR, VK_DOWN, 2);
             enter(IDC_EDITOR_DIR, {"T:\\", " tools", "  deep"}, 2, {"ked.exe"});
             key(IDC_EDITOR_FILE, VK_HOME, 0);
             s.p.PressKey(IDC_EDITOR_FILE, VK_RETURN);
             s.Collect(1);
         },
         {scene::kComplete},
         {kSection, "wprocess=T:\\tools\\deep\\ked.exe", "help=T:\\apps\\quill\\userhelp.hlp ",
          "criteria=T:\\data\\crit", kInstall},
         ProgramCopies("T:\\apps\\quill") + CriteriaCopies("T:\\data\\crit") + SourceRemoved()},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

// A group refused, or a copy that fails: the outcome says so, naming each file that failed,
// nothing is removed from the source folder, "install" is not written, and the other group is
// installed. A group is installed whole or not at all, and recorded only then.
TEST_F(Installation, ARefusedGroupOrAFailedCopyKeepsEverySourceFile)
{
    const Case cases[] = {
        {"the program field left with its own text",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) {
             EXPECT_EQ(s.p.EditText(IDC_PROG_NEWPATH), "Enter new directory path here");
             s.p.Click(IDC_PROG_NEW);
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {kProgRefused, scene::kUnsuccessful},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        {"a criteria path typed with a leading blank",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, " t:\\crit");
         },
         {kCritRefused, scene::kUnsuccessful},
         {kSection, kWprocess, kDefaultHelp},
         kDefaultCopies},

        {"both groups refused: one character and an empty field",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "t");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "");
         },
         {kProgRefused, kCritRefused, scene::kUnsuccessful},
         {kSection, kWprocess},
         {}},

        // "T:/qfw/x" is one level for the installer: one call, whose parent T:\qfw is missing.
        {"forward slashes only, under a missing folder",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "T:/qfw/x");
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {rig::Unsuccessful({{"T:/qfw/x\\quillmar.exe", ERROR_PATH_NOT_FOUND},
                             {"T:/qfw/x\\install.exe", ERROR_PATH_NOT_FOUND},
                             {"T:/qfw/x\\userhelp.hlp", ERROR_PATH_NOT_FOUND}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        // Installing a file onto itself fails: the source files are untouched.
        {"the source folder chosen as the program's destination",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "C:\\qtest\\src"));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {rig::Unsuccessful({{"C:\\qtest\\src\\quillmar.exe", rig::kSameAsSource},
                             {"C:\\qtest\\src\\install.exe", rig::kSameAsSource},
                             {"C:\\qtest\\src\\userhelp.hlp", rig::kSameAsSource}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        {"the help file missing from the source folder",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {rig::Unsuccessful({{"C:\\qtest\\src\\userhelp.hlp", ERROR_FILE_NOT_FOUND}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         std::vector<std::string>{"+ C:\\quillmar\\"} + CriteriaCopies("T:\\crit"),
         "install.exe", {"userhelp.hlp"}},

        {"the installer run under another name (no install.exe to copy)",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {rig::Unsuccessful({{"C:\\qtest\\src\\install.exe", ERROR_FILE_NOT_FOUND}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         std::vector<std::string>{"+ C:\\quillmar\\"} + CriteriaCopies("T:\\crit"),
         "setup.exe"},

        {"no program button checked",
         [] { MakeDirs("T:\\crit"); },
         [](Session &s) {
             s.p.Uncheck(IDC_PROG_DEFAULT);
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {scene::kUnsuccessful},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        // Made by another user before the installation (the root of C: lets anyone make a
        // folder): its owner could change what administrators run from it.
        {"c:\\quillmar owned by another account",
         [] {
             MakeDirs("C:\\quillmar");
             MakeDirs("T:\\crit");
             ASSERT_TRUE(scene::ChangeUnix("chown 4321", {"C:\\quillmar"}));
         },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {OwnedElsewhere("c:\\quillmar"), scene::kUnsuccessful},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        {"the last level of a typed program folder owned by another account",
         [] {
             MakeDirs("T:\\theirs");
             scene::Write("T:\\theirs\\their.txt", "theirs");
             ASSERT_TRUE(scene::ChangeUnix("chown 4321", {"T:\\theirs"}));
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "T:\\theirs\\");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "T:\\crit");
         },
         {OwnedElsewhere("T:\\theirs"), scene::kUnsuccessful},
         {kSection, kWprocess, "criteria=T:\\crit"},
         std::vector<std::string>{"+ T:\\crit\\"} + CriteriaCopies("T:\\crit")},

        // Nothing goes to the root of the current drive (C:\) instead.
        {"the criteria tree with no selection",
         nullptr,
         [](Session &s) { s.p.ClearSelection(IDC_CRIT_DIR); },
         {"ERROR|ERROR getting path details", scene::kUnsuccessful},
         {kSection, kWprocess, kDefaultHelp},
         kDefaultCopies},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

// After a complete installation the source files are gone: a second OK, to other folders,
// installs nothing and names the four files that are missing. QUILLMAR.INI still records the first OK's
// folders, where the files are: neither group is recorded where its files never went.
TEST_F(Installation, ASecondOkAfterACompleteOneReportsTheMissingFiles)
{
    scene::StageSource();
    MakeDirs("T:\\crit");
    scene::Outcome o = scene::Run([](Session &s) {
        s.PickEditor();
        EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
        s.Ok(1);
        s.p.Click(IDC_PROG_NEW);
        s.p.TypeText(IDC_PROG_NEWPATH, "T:\\p2");
        s.p.Click(IDC_CRIT_NEW);
        s.p.TypeText(IDC_CRIT_NEWPATH, "T:\\c2");
        s.Ok(1);
    });
    ASSERT_TRUE(o.started);
    std::vector<std::pair<std::string, DWORD>> missing;
    for (const char *name : {"quillmar.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"})
        missing.push_back({std::string("C:\\qtest\\src\\") + name, ERROR_FILE_NOT_FOUND});
    const std::vector<std::string> boxes = {scene::kComplete, rig::Unsuccessful(missing)};
    const std::vector<std::string> settings = {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", kInstall};
    const std::vector<std::string> changes = kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved() +
                                             std::vector<std::string>{"+ T:\\p2\\", "+ T:\\c2\\"};
    EXPECT_EQ(scene::Block(boxes), scene::Block(o.boxes));
    EXPECT_EQ(scene::Block(settings), scene::Block(scene::SettingsLines(settings)));
    EXPECT_EQ(scene::Block(scene::Sorted(changes)), scene::Block(o.changes));
    EXPECT_EQ(o.exitStatus, 0);
}

// Without an editor file OK warns and stops: no key, no folder, no copy, no deletion. The
// dialog carries on: the same OK with the editor picked then installs.
TEST_F(Installation, OkWithoutAnEditorFileWarnsAndWritesNothing)
{
    scene::StageSource();
    MakeDirs("T:\\crit");
    std::vector<std::string> settingsAfterWarning;
    std::vector<std::string> changesAfterWarning;
    scene::Snapshot before = scene::Take();
    scene::Outcome o = scene::Run([&](Session &s) {
        s.Ok(1);
        settingsAfterWarning = scene::SettingsLines({});
        changesAfterWarning = scene::Changes(before, scene::Take());
        s.PickEditor();
        EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
        s.Ok(1);
    });
    ASSERT_TRUE(o.started);
    EXPECT_EQ(scene::Block({"Warning|No text editor file selected", scene::kComplete}), scene::Block(o.boxes));
    EXPECT_EQ("", scene::Block(settingsAfterWarning)) << "QUILLMAR.INI after the warning";
    EXPECT_EQ("", scene::Block(changesAfterWarning)) << "entries on the drives after the warning";
    const std::vector<std::string> settings = {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", kInstall};
    EXPECT_EQ(scene::Block(settings), scene::Block(scene::SettingsLines(settings)));
    EXPECT_EQ(scene::Block(scene::Sorted(kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved())),
              scene::Block(o.changes));
    EXPECT_EQ(o.exitStatus, 0);
}

// The tip over line `line` of list listId, which the list cuts: its whole text, drawn with the
// list's font and as selected exactly when the line is; laid over the line where the screen has
// room (inPlace); owned by the dialog and just above it; never the focus, never active.
void ExpectTipOver(const rig::InstallerProcess &p, int listId, int line, bool inPlace = true)
{
    SCOPED_TRACE("the tip over line " + std::to_string(line) + " of list " + std::to_string(listId));
    HWND list = GetDlgItem(p.dialog(), listId);
    ASSERT_TRUE(rig::InstallerProcess::Steady([&] { return p.TipText() == p.ListLine(listId, line); }))
        << "tip: \"" << p.TipText() << "\", line: \"" << p.ListLine(listId, line) << "\"";
    HWND tip = p.Tip();
    ASSERT_TRUE(tip != NULL);
    RECT r, at = p.LineRect(listId, line), work;
    GetWindowRect(tip, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(r.left >= work.left && r.right <= work.right && r.top >= work.top && r.bottom <= work.bottom)
        << "tip " << r.left << "," << r.top << " - " << r.right << "," << r.bottom << " outside the work area";
    EXPECT_EQ(r.bottom - r.top, at.bottom - at.top);
    EXPECT_GT(r.right - r.left, at.right - at.left) << "a tip no wider than its list";
    if (inPlace) {
        EXPECT_EQ(r.left, at.left);
        EXPECT_EQ(r.top, at.top);
    }
    EXPECT_EQ(SendMessageW(tip, WM_GETFONT, 0, 0), SendMessageW(list, WM_GETFONT, 0, 0));
    EXPECT_EQ(SendMessageW(tip, LB_GETCURSEL, 0, 0), p.ListSel(listId) == line ? 0 : LB_ERR) << "drawn as selected";
    EXPECT_EQ(GetWindow(tip, GW_OWNER), p.dialog());
    EXPECT_EQ(GetWindow(tip, GW_HWNDNEXT), p.dialog()) << "the tip is not just above the dialog";
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(p.threadId(), &gui));
    EXPECT_NE(gui.hwndFocus, tip) << "the tip took the focus";
    EXPECT_NE(gui.hwndActive, tip) << "the tip is active";
    EXPECT_NE(GetForegroundWindow(), tip);
}

// The pixels of a rectangle of the screen, row by row.
std::vector<COLORREF> Pixels(const RECT &r)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(NULL), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    std::vector<COLORREF> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    return out;
}

// The first and the last column of screen rectangle r that hold something other than the
// colour of its top right pixel.
std::pair<int, int> InkedColumns(const RECT &r)
{
    const int w = r.right - r.left;
    const std::vector<COLORREF> px = Pixels(r);
    int first = w, last = -1;
    for (size_t i = 0; i < px.size(); ++i) {
        if (px[i] != px[w - 1]) {
            first = std::min(first, (int)(i % w));
            last = std::max(last, (int)(i % w));
        }
    }
    return {first, last};
}

// The step of the scenario that expects the tip (a trace with its line).
#define EXPECT_TIP_OVER(...)                \
    do {                                    \
        SCOPED_TRACE("expected a tip here"); \
        ExpectTipOver(__VA_ARGS__);         \
    } while (0)

bool NoTip(const rig::InstallerProcess &p)
{
    return rig::InstallerProcess::Steady([&] { return p.Tip() == NULL; });
}

// Lines that their lists cut show whole in a tip, under the real pointer and the keyboard:
// folders at a root and five levels down, a file. The tip keeps the margin before its text
// after it; a line cut by one column has one, a line that fits none. Clicks reach the lines
// through the tips, which stay through them, and twenty double-clicks in a row each open their
// folder; what they select and open is what is installed into. No tip once the pointer has
// left, the list scrolled (by its bar, the wheel or LB_SETTOPINDEX), was refilled or lost the
// focus, the selection moved to a short line or the dialog moved; near the screen's right edge
// the tip stays inside the work area.
TEST_F(Installation, ALineItsListCutsShowsWholeInATipOverIt)
{
    const std::string long60 = "Quite a long folder name, sixty characters in all, to see it";
    const std::string pf = "Program Files (x86)";
    const std::string deep = "T:\\d1\\d2\\d3\\d4\\Microsoft VS Code";
    const std::string longFile = "A text editor with a name too long for its list.exe";
    Case c = {
        "tips over cut lines",
        [=] {
            for (const std::string &d : {"T:\\" + long60, "T:\\" + pf, deep + "\\sub", std::string("T:\\crit")})
                MakeDirs(d);
            for (int i = 1; i <= 6; ++i)
                MakeDirs("T:\\s" + std::to_string(i));
            scene::Write("T:\\tools\\" + longFile, "another editor");
        },
        [=](Session &s) {
            rig::InstallerProcess &p = s.p;
            EXPECT_TRUE(p.BrowseTo(IDC_CRIT_DIR, "T:\\"));
            const int lineLong = p.FindLine(IDC_CRIT_DIR, " " + long60), linePf = p.FindLine(IDC_CRIT_DIR, " " + pf);
            const int lineCrit = p.FindLine(IDC_CRIT_DIR, " crit"), lineD1 = p.FindLine(IDC_CRIT_DIR, " d1");
            ASSERT_EQ(lineD1 + 1, linePf);
            ASSERT_EQ(linePf + 1, lineLong);

            // The pointer: a tip over each cut line, none over one that fits or once it left.
            p.PointAt(IDC_CRIT_DIR, lineLong);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
            p.PointAt(IDC_CRIT_DIR, lineCrit);
            EXPECT_TRUE(NoTip(p)) << "a tip over \" crit\", which fits: " << p.TipText();
            // Over the list, the tip shows the line as the list draws it: the same font, colours
            // and text origin, pixel for pixel.
            const RECT inList = p.LineRect(IDC_CRIT_DIR, lineLong);
            const std::vector<COLORREF> drawnByTheList = Pixels(inList);
            p.PointAt(IDC_CRIT_DIR, lineLong);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
            EXPECT_TRUE(drawnByTheList == Pixels(inList)) << "the tip does not draw the line as its list does";
            p.PointAt(IDC_CRIT_DIR, linePf);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);

            // The tip's edges, as it draws them: the margin after the text is the one before it.
            // Sized to cut the line by exactly one column, the list has a tip for it; one column
            // wider, none.
            HWND critDir = GetDlgItem(p.dialog(), IDC_CRIT_DIR);
            RECT tipRect, frame, client;
            GetWindowRect(p.Tip(), &tipRect);
            const std::pair<int, int> ink = InkedColumns(tipRect);
            EXPECT_EQ(tipRect.right - tipRect.left - 1 - ink.second, ink.first) << "margins after and before the text";
            GetWindowRect(critDir, &frame);
            GetClientRect(critDir, &client);
            for (int wider : {0, 1, (int)(client.right - ink.second)}) {
                p.PointAway();
                EXPECT_TRUE(NoTip(p));
                SetWindowPos(critDir, NULL, 0, 0, frame.right - frame.left - client.right + ink.second + wider,
                             frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                p.Settle();
                p.PointAt(IDC_CRIT_DIR, linePf);
                if (wider == 1) {
                    EXPECT_TRUE(NoTip(p)) << "a tip for a line that its list shows whole";
                } else {
                    EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);
                }
            }
            p.PointAway();
            EXPECT_TRUE(NoTip(p)) << "a tip once the pointer left the list";
            p.PointAt(IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile));
            EXPECT_TIP_OVER(p, IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile));

            // A click through the tip selects the line beneath; the wheel scrolls the list,
            // which has the focus now, and takes the tip away.
            p.PointAt(IDC_CRIT_DIR, lineLong);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
            p.PointerClick();
            EXPECT_TRUE(rig::InstallerProcess::Until([&] { return p.ListSel(IDC_CRIT_DIR) == lineLong; }))
                << "the click did not reach the line beneath the tip";
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);   // through the click, now drawn as selected

            // Scrolled by its bar or by a program (LB_SETTOPINDEX, as an assistive tool brings a
            // line into view), the list takes the tip away; once the pointer moves, the line now
            // beneath it has its tip.
            for (UINT scroll : {(UINT)WM_VSCROLL, (UINT)LB_SETTOPINDEX}) {
                SCOPED_TRACE(scroll == WM_VSCROLL ? "scrolled by WM_VSCROLL" : "scrolled by LB_SETTOPINDEX");
                p.PointAt(IDC_CRIT_DIR, linePf);
                EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);
                SendMessageW(critDir, scroll, scroll == WM_VSCROLL ? SB_LINEDOWN : 1, 0);
                EXPECT_TRUE(NoTip(p)) << "a tip after a scroll: " << p.TipText();
                p.PointAt(IDC_CRIT_DIR, lineLong);   // a pixel from where the pointer rests
                EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
                SendMessageW(critDir, LB_SETTOPINDEX, 0, 0);
            }
            p.PointAt(IDC_CRIT_DIR, linePf);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);
            p.Wheel();
            EXPECT_TRUE(NoTip(p)) << "a tip after a scroll";
            EXPECT_GT(SendDlgItemMessageW(p.dialog(), IDC_CRIT_DIR, LB_GETTOPINDEX, 0, 0), 0) << "no scroll";

            // The keyboard: a tip over the selected line while it is cut, none once the
            // selection is on a line that fits, and none after Enter refilled the tree.
            p.PointAway();
            EXPECT_TRUE(NoTip(p));
            p.PressKey(IDC_CRIT_DIR, VK_UP);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);
            p.PressKey(IDC_CRIT_FILE, VK_HOME);
            EXPECT_TRUE(NoTip(p)) << "a tip after the tree lost the focus";
            p.PressKey(IDC_CRIT_DIR, VK_DOWN);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
            p.PressKey(IDC_CRIT_DIR, VK_UP);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, linePf);
            p.PressKey(IDC_CRIT_DIR, VK_UP);
            EXPECT_TRUE(NoTip(p)) << "a tip after the selection moved to \" d1\"";
            p.PressKey(IDC_CRIT_DIR, VK_DOWN);
            p.PressKey(IDC_CRIT_DIR, VK_DOWN);
            EXPECT_TIP_OVER(p, IDC_CRIT_DIR, lineLong);
            p.PressKey(IDC_CRIT_DIR, VK_RETURN);
            EXPECT_EQ(p.ListLine(IDC_CRIT_DIR, 1), " " + long60);
            EXPECT_TRUE(NoTip(p)) << "a tip after the tree was refilled";

            // A double-click through the tip at depth 5 opens that folder, every time: twenty in
            // a row, each from the tree that shows it closed (its parent opened again).
            p.Click(IDC_PROG_EXISTING);
            EXPECT_TRUE(p.BrowseTo(IDC_PROG_DIR, deep));
            int opened = 0;
            for (int i = 0; i < 20; ++i) {
                if (i > 0)
                    p.DoubleClickLine(IDC_PROG_DIR, 4);
                ASSERT_EQ(p.ListCount(IDC_PROG_DIR), 6);
                p.PointAt(IDC_PROG_DIR, 5);
                EXPECT_TIP_OVER(p, IDC_PROG_DIR, 5);
                p.PointerClick(2);
                opened += rig::InstallerProcess::Until([&] { return p.ListCount(IDC_PROG_DIR) == 7; });
            }
            EXPECT_EQ(opened, 20) << "double-clicks through the tip that opened the line beneath it";
            EXPECT_EQ(p.ListSel(IDC_PROG_DIR), 5);

            // The dialog moves: the tip goes. Near the right edge, the tip stays on the screen.
            p.PointAt(IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile));
            EXPECT_TIP_OVER(p, IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile));
            RECT work, main, list;
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            GetWindowRect(p.mainWindow(), &main);
            GetWindowRect(GetDlgItem(p.dialog(), IDC_EDITOR_FILE), &list);
            SetWindowPos(p.mainWindow(), NULL, main.left + work.right - 60 - list.right, main.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            p.Settle();
            EXPECT_TRUE(NoTip(p)) << "a tip after the dialog moved";
            p.PointAt(IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile));
            EXPECT_TIP_OVER(p, IDC_EDITOR_FILE, p.FindLine(IDC_EDITOR_FILE, longFile), false);
            RECT tip;
            GetWindowRect(p.Tip(), &tip);
            EXPECT_LT(tip.left, p.LineRect(IDC_EDITOR_FILE, 0).left) << "the tip was not shifted left";
            p.PointAway();
        },
        {scene::kComplete},
        {kSection, kWprocess, "help=" + deep + "\\userhelp.hlp ", "criteria=T:\\" + long60, kInstall},
        ProgramCopies(deep) + CriteriaCopies("T:\\" + long60) + SourceRemoved()};
    scene::Check(c);
}

}  // namespace
