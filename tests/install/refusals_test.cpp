// Nothing the user owns is lost and no failure passes for success: a group that cannot be
// installed as asked is refused whole and the OK reports the installation unsuccessful; a name
// that does not fit its 260-byte buffer is never cut or overrun.
#include "install_fixture.h"

#include <functional>

namespace it {
namespace {

void NoTreeLine(HWND dlg, int treeId) { SendDlgItemMessageA(dlg, treeId, LB_SETCURSEL, (WPARAM)-1, 0); }

class Refusals : public InstallTest {
protected:
    INT_PTR PressOk() { return rig::Command(dlg, IDOK); }

    // Back to an empty prefix and a fresh installer, for the next row of a table.
    void Reset()
    {
        rig::StopInstaller();
        for (const std::string &f : longFiles_)
            DeleteLongFile(f);
        longFiles_.clear();
        rig::CleanScratch();
        rig::RemoveTree(kDefaultDir);
        boxes->clear();
    }

    // Files on the rig's disks where a refused group's files could have gone.
    ::testing::AssertionResult NoStrayCopies()
    {
        for (const char *root : {"C:\\", "T:\\"})
            for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles})
                for (const std::string &name : *group)
                    if (rig::FileExists(Join(root, name)))
                        return ::testing::AssertionFailure() << Join(root, name) << " was created";
        return ::testing::AssertionSuccess();
    }
};

TEST_F(Refusals, ARefusedGroupIsNotInstalledAndNothingIsDeleted)
{
    // Unless a row says otherwise: the program files to the default folder, the criteria
    // files to the typed T:\crit.
    struct Row {
        const char *what;
        std::function<void(HWND)> arrange;
        std::vector<std::string> boxes;
        const char *absentKey;   // the refused group's key, never written
        bool progInstalled;
        bool critInstalled;
        bool progDirThere = false;      // the program files' folder, there before and after
        const char *progDir = kDefaultDir;
    } rows[] = {
        {"invalid typed program path",
         [](HWND d) { rig::SetRadio(d, IDC_PROG_NEW); },   // the template's text
         {kBadProgPath, kUnsuccessful}, "help", false, true},
        {"invalid typed criteria path",
         [](HWND d) { rig::SetEditText(d, IDC_CRIT_NEWPATH, "crit"); },
         {kBadCritPath, kUnsuccessful}, "criteria", true, false},
        {"no program button checked",
         [](HWND d) { for (int id : {IDC_PROG_DEFAULT, IDC_PROG_EXISTING, IDC_PROG_NEW}) CheckDlgButton(d, id, BST_UNCHECKED); },
         {kUnsuccessful}, "help", false, true},
        {"program tree without a selection",
         [](HWND d) { rig::SetRadio(d, IDC_PROG_EXISTING); NoTreeLine(d, IDC_PROG_DIR); },
         {kNoTreeLine, kUnsuccessful}, "help", false, true},
        {"criteria tree without a selection",
         [](HWND d) { rig::SetRadio(d, IDC_CRIT_EXISTING); NoTreeLine(d, IDC_CRIT_DIR); },
         {kNoTreeLine, kUnsuccessful}, "criteria", true, false},
        {"editor tree without a selection",
         [](HWND d) { NoTreeLine(d, IDC_EDITOR_DIR); },
         {kNoTreeLine, kUnsuccessful}, "wprocess", true, true},
        // Made by another user before the installation: whoever owns it could change the
        // program that administrators run from it.
        {"the default folder owned by another account",
         [](HWND) { ASSERT_TRUE(GiveAway(kDefaultDir)); },
         {OwnedElsewhere("c:\\quillmar"), kUnsuccessful}, "help", false, true, true},
        {"the default folder read back as another account's",
         [](HWND) { rig::MakeDirs(kDefaultDir); ASSERT_TRUE(ReadOwnersAs("S-1-5-21-1-2-3-1001")); },
         {OwnedElsewhere("c:\\quillmar"), kUnsuccessful}, "help", false, true, true},
        // Without its protection the program group goes nowhere, whatever its kind.
        {"no protection for the default folder",
         [](HWND) { ASSERT_TRUE(FailProtection()); },
         {kUnsuccessful}, "help", false, true},
        {"no protection for an existing folder",
         [this](HWND) { rig::MakeDirs("T:\\progs"); OpenInTree(IDC_PROG_DIR, "T:\\progs");
                        rig::SetRadio(dlg, IDC_PROG_EXISTING); ASSERT_TRUE(FailProtection()); },
         {kUnsuccessful}, "help", false, true, true, "T:\\progs"},
        {"no protection for a typed folder",
         [](HWND d) { rig::SetRadio(d, IDC_PROG_NEW); rig::SetEditText(d, IDC_PROG_NEWPATH, "T:\\prog");
                      ASSERT_TRUE(FailProtection()); },
         {kUnsuccessful}, "help", false, true, false, "T:\\prog"},
        // Under Windows' UTF-8 code page every character converts but a lone surrogate, which
        // would otherwise name another folder.
        {"UTF-8 code page, a lone surrogate in the typed program path",
         [](HWND d) { rig::SetRadio(d, IDC_PROG_NEW); SetDlgItemTextW(d, IDC_PROG_NEWPATH, L"T:\\a\xD800");
                      ASSERT_TRUE(ReportCodePage(CP_UTF8)); },
         {kBadProgPath, kUnsuccessful}, "help", false, true},
        {"UTF-8 code page, a lone surrogate in the typed criteria path",
         [](HWND d) { SetDlgItemTextW(d, IDC_CRIT_NEWPATH, L"T:\\crit\xDC00"); ASSERT_TRUE(ReportCodePage(CP_UTF8)); },
         {kBadCritPath, kUnsuccessful}, "criteria", true, false},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        StartReady();
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");
        r.arrange(dlg);

        EXPECT_EQ(PressOk(), 1);
        RestorePlatform();

        EXPECT_EQ(Boxes(), r.boxes);
        for (const rig::ShownBox &b : boxes->boxes())
            EXPECT_EQ(b.owner, dlg) << "owner of " << b.text;
        EXPECT_EQ(Setting(r.absentKey), kAbsent);
        EXPECT_EQ(Setting("install"), kAbsent);
        EXPECT_TRUE(SourceHas(kProgramFiles));
        EXPECT_TRUE(SourceHas(kCriteriaFiles));
        EXPECT_TRUE(NoStrayCopies());
        if (r.progInstalled) {
            EXPECT_TRUE(CopiedTo(r.progDir, kProgramFiles));
        } else {
            EXPECT_EQ(FilesIn(r.progDir), std::vector<std::string>{});
            EXPECT_EQ(rig::DirExists(r.progDir), r.progDirThere);
        }
        if (r.critInstalled) {
            EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
        } else {
            EXPECT_FALSE(rig::DirExists("T:\\crit"));
        }
        if (std::string(r.absentKey) != "wprocess") {
            EXPECT_EQ(Setting("wprocess"), "C:\\qtest\\editor\\edit.exe");
        }
        Reset();
    }
}

// The "help" value is the longest name of the program group (folder + "\userhelp.hlp " for an
// existing folder, 14 characters). When it does not fit, the group is refused before anything
// is created or copied, although the file names themselves would fit.
TEST_F(Refusals, AHelpValueThatDoesNotFitRefusesTheProgramGroup)
{
    struct Row {
        int kind;
        size_t nameLen;   // one level under T:\ of this many characters
        bool fits;
    } rows[] = {
        {IDC_PROG_EXISTING, 242, true},    // T:\ + 242 + \userhelp.hlp  = 259
        {IDC_PROG_EXISTING, 243, false},   // 260
        {IDC_PROG_NEW, 243, true},         // T:\ + 243 + \userhelp.hlp = 259
        {IDC_PROG_NEW, 244, false},
    };
    for (const Row &r : rows) {
        std::string dir = "T:\\" + std::string(r.nameLen, 'h');
        SCOPED_TRACE("kind " + std::to_string(r.kind) + ", folder of " + std::to_string(dir.size()));
        StartReady();
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");
        rig::SetRadio(dlg, r.kind);
        if (r.kind == IDC_PROG_EXISTING) {
            rig::MakeDirs(dir);
            OpenInTree(IDC_PROG_DIR, dir);
        } else {
            rig::SetEditText(dlg, IDC_PROG_NEWPATH, dir);
        }

        EXPECT_EQ(PressOk(), 1);

        std::string help = Setting("help");
        if (r.fits) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
            EXPECT_EQ(help.substr(0, dir.size() + 13), dir + "\\userhelp.hlp");
            EXPECT_TRUE(CopiedTo(dir, kProgramFiles));
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsuccessful});
            EXPECT_EQ(help, kAbsent);
            EXPECT_TRUE(r.kind == IDC_PROG_EXISTING ? FilesIn(dir).empty() : !rig::DirExists(dir))
                << dir << " holds " << FilesIn(dir).size() << " files";
            EXPECT_TRUE(SourceHas(kProgramFiles));
            EXPECT_TRUE(SourceHas(kCriteriaFiles));
        }
        Reset();
    }
}

// A copy whose destination or source name does not fit is counted as failed: never made
// under a cut name, and the sources all stay.
TEST_F(Refusals, ACopyWhoseNameDoesNotFitFails)
{
    // Destination: typed with a doubled backslash, the folder is 247 characters as typed and
    // 246 rebuilt. "help" (246 + 13) would fit; the copies into the typed form fit only for
    // install.exe (247 + 12 = 259), not for the 12-character names (260), so the group is not
    // recorded.
    StartReady();
    std::string typed = "T:\\\\" + std::string(243, 'q');
    std::string rebuilt = "T:\\" + std::string(243, 'q');
    rig::SetRadio(dlg, IDC_PROG_NEW);
    rig::SetEditText(dlg, IDC_PROG_NEWPATH, typed);
    rig::SetRadio(dlg, IDC_CRIT_NEW);
    rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{rig::Unsuccessful({{typed + "\\quillmar.exe", ERROR_FILENAME_EXCED_RANGE},
                                                                   {typed + "\\userhelp.hlp", ERROR_FILENAME_EXCED_RANGE}})});
    EXPECT_EQ(InstallErrCount, 2);
    EXPECT_EQ(Setting("help"), kAbsent);
    EXPECT_EQ(Setting("criteria"), "T:\\crit");
    EXPECT_EQ(FilesIn(rebuilt), std::vector<std::string>{}) << "a group is installed whole or not at all";
    EXPECT_TRUE(SourceHas(kProgramFiles));
    EXPECT_TRUE(SourceHas(kCriteriaFiles));
    Reset();

    // Source: a folder of 247 characters. Only install.exe's name fits (259); the other four
    // are staged through the long-name functions and must stay where they are.
    std::string src = "C:\\qtest\\" + std::string(238, 's');
    ASSERT_EQ(src.size(), 247u);
    rig::MakeDirs(src);
    for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles})
        for (const std::string &name : *group) {
            longFiles_.push_back(Join(src, name));
            WriteLongFile(Join(src, name), Content(name));
        }
    rig::MakeDirs(kEditorDir);
    rig::WriteFile(Join(kEditorDir, kEditorFile), "editor");
    StartIn(src);
    ASSERT_EQ(std::string(gPath2), src);
    PickEditor();
    rig::SetRadio(dlg, IDC_CRIT_NEW);
    rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");

    EXPECT_EQ(PressOk(), 1);

    std::vector<std::pair<std::string, DWORD>> failed;
    for (const char *name : {"quillmar.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"})
        failed.push_back({Join(src, name), ERROR_FILENAME_EXCED_RANGE});
    EXPECT_EQ(Boxes(), std::vector<std::string>{rig::Unsuccessful(failed)});
    EXPECT_EQ(InstallErrCount, 4);
    EXPECT_EQ(FilesIn(kDefaultDir), std::vector<std::string>{});
    EXPECT_EQ(FilesIn("T:\\crit"), std::vector<std::string>{});
    for (const std::string &f : longFiles_)
        EXPECT_TRUE(LongFileExists(f)) << f;
}

// The editor's full path (tree folder + file name) that does not fit: an ERROR message, and
// nothing is written or installed.
TEST_F(Refusals, AnEditorPathThatDoesNotFitStopsTheInstallation)
{
    std::string dir = "T:\\" + std::string(243, 'e');   // the tree gives it with "\": 247
    struct Row {
        const char *file;
        bool fits;
    } rows[] = {
        {"editor12.exe", true},    // 259
        {"editor123.exe", false},  // 260
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.file);
        StageSource();
        rig::MakeDirs(dir);
        longFiles_.push_back(Join(dir, r.file));
        WriteLongFile(Join(dir, r.file), "editor");
        StartIn(kSource);
        OpenInTree(IDC_EDITOR_DIR, dir);
        rig::PickFile(dlg, IDC_EDITOR_FILE, r.file);
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");

        EXPECT_EQ(PressOk(), 1);

        if (r.fits) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
            EXPECT_EQ(Setting("wprocess"), dir + "\\" + r.file);
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR|Text editor path too long"});
            EXPECT_FALSE(rig::FileExists(rig::SettingsFilePath()));
            EXPECT_FALSE(rig::DirExists(kDefaultDir));
            EXPECT_FALSE(rig::DirExists("T:\\crit"));
            EXPECT_TRUE(SourceHas(kProgramFiles));
            EXPECT_TRUE(SourceHas(kCriteriaFiles));
        }
        Reset();
    }
}

// The source folder unknown (its name could not be read exactly at start-up): OK says so
// and installs, writes and deletes nothing; above all it takes no file from the root of the
// current drive, and deletes none there.
TEST_F(Refusals, AnUnknownSourceFolderInstallsNothing)
{
    StartReady();
    for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles})
        for (const std::string &name : *group)
            rig::WriteFile(Join("C:\\", name), Content(name));   // TearDown removes them
    gPath2[0] = '\0';
    rig::SetRadio(dlg, IDC_CRIT_NEW);
    rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{kSourceUnusable});
    EXPECT_FALSE(rig::FileExists(rig::SettingsFilePath()));
    EXPECT_FALSE(rig::DirExists(kDefaultDir));
    EXPECT_FALSE(rig::DirExists("T:\\crit"));
    source_ = "C:\\";
    EXPECT_TRUE(SourceHas(kProgramFiles));
    EXPECT_TRUE(SourceHas(kCriteriaFiles));
}

// A file list line longer than a path buffer (no file system gives one; a message can):
// refused before it is read, never written past the buffer.
TEST_F(Refusals, AFileLineLongerThanAPathIsNotRead)
{
    StartReady();
    std::string line(300, 'x');
    LRESULT at = SendDlgItemMessageA(dlg, IDC_EDITOR_FILE, LB_ADDSTRING, 0, (LPARAM)line.c_str());
    rig::PickLine(dlg, IDC_EDITOR_FILE, (int)at);

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{"ERROR|Text editor path too long"});
    EXPECT_FALSE(rig::FileExists(rig::SettingsFilePath()));
    EXPECT_FALSE(rig::DirExists(kDefaultDir));
}

}  // namespace
}  // namespace it
