// The OK command as the user gives it: the editor, both groups, the outcome message, and after
// a complete installation the source files removed and "install" recorded.
#include "install_fixture.h"

namespace it {
namespace {

class OkCommandTest : public InstallTest {
protected:
    INT_PTR PressOk() { return rig::Command(dlg, IDOK); }

    // The settings file of one OK, line by line. Wine may drop the closing blank of "help"
    // when it rewrites the file for a later key (the kind tests see it as written), so a
    // help value is compared without it.
    std::vector<std::string> SettingsWithoutHelpBlank()
    {
        std::vector<std::string> lines = SettingsLines();
        for (std::string &l : lines)
            if (l.compare(0, 5, "help=") == 0 && !l.empty() && l.back() == ' ')
                l.pop_back();
        return lines;
    }
};

const std::string kWprocess = "wprocess=C:\\qtest\\editor\\edit.exe";

TEST_F(OkCommandTest, CompleteInstallationRemovesTheInstalledSourcesAndRecordsInstall)
{
    StartReady();
    rig::MakeDirs("T:\\crit");
    OpenInTree(IDC_CRIT_DIR, "T:\\crit");   // program group: the default folder, as started

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
    EXPECT_EQ(SettingsWithoutHelpBlank(),
              (std::vector<std::string>{"[QUILLMAR]", kWprocess, "help=c:\\quillmar\\userhelp.hlp",
                                        "criteria=T:\\crit", "install=C:\\qtest\\src\\userhelp.hlp"}));
    EXPECT_TRUE(CopiedTo(kDefaultDir, kProgramFiles));
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
    EXPECT_TRUE(SourceHas(kDeletedOnSuccess, false));
    EXPECT_TRUE(SourceHas({"install.exe"}));
    EXPECT_TRUE(IsWindow(dlg) && hQryDlgBox == dlg) << "the dialog stays open";
}

TEST_F(OkCommandTest, SourceAtADriveRoot)
{
    // gPath2 is "T:\" and every joined name has two backslashes in a row.
    StageSource("T:\\");
    StartIn("T:\\");
    PickEditor();
    rig::SetRadio(dlg, IDC_PROG_NEW);
    rig::SetEditText(dlg, IDC_PROG_NEWPATH, "T:\\prog");
    rig::SetRadio(dlg, IDC_CRIT_NEW);
    rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
    EXPECT_EQ(Setting("install"), "T:\\\\userhelp.hlp");
    EXPECT_TRUE(CopiedTo("T:\\prog", kProgramFiles));
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
    EXPECT_EQ(FilesIn("T:\\"), std::vector<std::string>{"install.exe"});
}

TEST_F(OkCommandTest, SecondOkAfterSuccessFindsTheSourcesGone)
{
    StartReady();
    rig::SetRadio(dlg, IDC_CRIT_NEW);
    rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");
    ASSERT_EQ(PressOk(), 1);
    ASSERT_EQ(Boxes(), std::vector<std::string>{kComplete});
    boxes->clear();

    EXPECT_EQ(PressOk(), 1);

    // Four copies fail (install.exe is still there and copies again); "install" keeps the
    // first OK's value; the copies of the first OK stay.
    EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsuccessful});
    EXPECT_EQ(InstallErrCount, 4);
    EXPECT_EQ(SettingsWithoutHelpBlank(),
              (std::vector<std::string>{"[QUILLMAR]", kWprocess, "help=c:\\quillmar\\userhelp.hlp",
                                        "criteria=T:\\crit", "install=C:\\qtest\\src\\userhelp.hlp"}));
    EXPECT_TRUE(CopiedTo(kDefaultDir, kProgramFiles));
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
    EXPECT_TRUE(SourceHas({"install.exe"}));
}

// One failed copy anywhere: the unsuccessful message, every source file kept, no "install";
// the other copies are made, and only a group whose files all arrived is recorded.
TEST_F(OkCommandTest, AFailedCopyKeepsEverySourceFile)
{
    struct Row {
        const char *missing;    // a product file not staged
        const char *progTree;   // program group: this existing folder, or the default
        int errors;
    } rows[] = {
        {"criteria.exc", nullptr, 1},
        {"quillmar.exe", nullptr, 1},
        {"install.exe", nullptr, 1},   // the installer running under another name
        {"", kSource, 3},              // the program's destination is the source folder
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("missing \"") + r.missing + "\", program tree " + (r.progTree ? r.progTree : "-"));
        StageSource(kSource, r.missing);
        StartIn(kSource);
        PickEditor();
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");
        std::string progDir = kDefaultDir;
        std::string help = "help=c:\\quillmar\\userhelp.hlp";
        if (r.progTree) {
            rig::SetRadio(dlg, IDC_PROG_EXISTING);
            OpenInTree(IDC_PROG_DIR, r.progTree);
            progDir = r.progTree;
            help = std::string("help=") + r.progTree + "\\userhelp.hlp";
        }

        EXPECT_EQ(PressOk(), 1);

        EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsuccessful});
        EXPECT_EQ(InstallErrCount, r.errors);
        std::vector<std::string> settings = {"[QUILLMAR]", kWprocess};
        bool criteriaFailed = r.missing == std::string("criteria.exc");
        if (criteriaFailed)
            settings.push_back(help);
        else
            settings.push_back("criteria=T:\\crit");
        EXPECT_EQ(SettingsWithoutHelpBlank(), settings);
        for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles}) {
            for (const std::string &name : *group) {
                if (name == r.missing)
                    continue;
                EXPECT_TRUE(SourceHas({name}));
                EXPECT_TRUE(CopiedTo(group == &kProgramFiles ? progDir : "T:\\crit", {name}));
            }
        }
        rig::StopInstaller();
        boxes->clear();
        rig::CleanScratch();
        rig::RemoveTree(kDefaultDir);
    }
}

TEST_F(OkCommandTest, NoEditorFileSelectedWritesNothing)
{
    StageSource();
    StartIn(kSource);
    OpenInTree(IDC_EDITOR_DIR, kEditorDir);   // the folder, but no file in it
    ASSERT_EQ(rig::ListSel(dlg, IDC_EDITOR_FILE), LB_ERR);

    EXPECT_EQ(PressOk(), 0);

    EXPECT_EQ(Boxes(), std::vector<std::string>{"Warning|No text editor file selected"});
    EXPECT_EQ(boxes->boxes().at(0).owner, dlg);
    EXPECT_FALSE(rig::FileExists(rig::SettingsFilePath()));
    EXPECT_FALSE(rig::DirExists(kDefaultDir));
    EXPECT_TRUE(SourceHas(kProgramFiles));
    EXPECT_TRUE(SourceHas(kCriteriaFiles));
    EXPECT_TRUE(IsWindow(dlg));
}

TEST_F(OkCommandTest, CriteriaGoToTheTreeFolderWhenNewIsNotChecked)
{
    StartReady();
    rig::MakeDirs("T:\\crit");
    OpenInTree(IDC_CRIT_DIR, "T:\\crit");
    Uncheck(IDC_CRIT_EXISTING);   // neither criteria button checked
    ASSERT_EQ(IsDlgButtonChecked(dlg, IDC_CRIT_NEW), BST_UNCHECKED);

    EXPECT_EQ(PressOk(), 1);

    EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
    EXPECT_EQ(Setting("criteria"), "T:\\crit");
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
}

}  // namespace
}  // namespace it
