// The OK command as the user gives it: the editor, both groups, the outcome message, and after
// a complete installation the source files removed and "install" recorded.
#include "install_fixture.h"

#include <string.h>

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

// A source and an older destination file are held open meanwhile for reading and writing with
// full sharing, as an editor, an indexer or an antivirus holds a file: the read-back shares them.
TEST_F(OkCommandTest, CompleteInstallationRemovesTheInstalledSourcesAndRecordsInstall)
{
    StartReady();
    rig::MakeDirs("T:\\crit");
    rig::WriteFile("T:\\crit\\criteria.exc", "an older criteria.exc");
    OpenInTree(IDC_CRIT_DIR, "T:\\crit");   // program group: the default folder, as started
    HANDLE held[2];
    for (int i = 0; i < 2; i++) {
        held[i] = CreateFileA(i == 0 ? "C:\\qtest\\src\\quillmar.exe" : "T:\\crit\\criteria.exc",
                              GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(held[i], INVALID_HANDLE_VALUE) << i;
    }

    EXPECT_EQ(PressOk(), 1);
    for (HANDLE h : held)
        CloseHandle(h);

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

// What a hooked platform call of the program does instead, through the call it replaced.
void *gReplaced;

// The copy of quillmar.exe arrives with one byte changed, in its third block.
BOOL WINAPI CopyAlteredPastItsFirstBlock(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    BOOL copied = ((BOOL(WINAPI *)(LPCSTR, LPCSTR, BOOL))gReplaced)(from, to, failIfExists);
    size_t n = strlen(to);
    if (copied && n >= 12 && _stricmp(to + n - 12, "quillmar.exe") == 0) {
        HANDLE h = CreateFileA(to, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        DWORD written = 0;
        SetFilePointer(h, 9000, NULL, FILE_BEGIN);
        ::WriteFile(h, "#", 1, &written, NULL);
        CloseHandle(h);
    }
    return copied;
}

// The write of "criteria", the last key of an OK, is said to succeed and does not happen.
BOOL WINAPI CriteriaWriteLost(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    if (key != NULL && strcmp(key, "criteria") == 0)
        return TRUE;
    return ((BOOL(WINAPI *)(LPCSTR, LPCSTR, LPCSTR, LPCSTR))gReplaced)(section, key, value, file);
}

// One failed copy anywhere, or one key not in the file as written: the unsuccessful message,
// every source file kept, no "install"; the other copies are made, and only a group whose
// files all arrived is recorded.
TEST_F(OkCommandTest, AFailedCopyKeepsEverySourceFile)
{
    const std::string help = "help=c:\\quillmar\\userhelp.hlp", crit = "criteria=T:\\crit";
    const std::string older = "criteria=T:\\crit\\old";   // begins with the value written
    struct Row {
        const char *missing;    // a product file not staged
        const char *progTree;   // program group: this existing folder, or the default
        const char *hooked;     // a kernel32 call replaced during OK: CopyFileA or the profile write
        bool olderCriteria;     // the settings file holds an older criteria value before OK
        int errors;
        std::vector<std::string> settings;   // after "[QUILLMAR]"
    } rows[] = {
        {"criteria.exc", nullptr, nullptr, false, 1, {kWprocess, help}},
        {"quillmar.exe", nullptr, nullptr, false, 1, {kWprocess, crit}},
        {"install.exe", nullptr, nullptr, false, 1, {kWprocess, crit}},   // the installer running under another name
        {"", kSource, nullptr, false, 3, {kWprocess, crit}},              // the program's destination is the source folder
        {"", nullptr, "CopyFileA", false, 1, {kWprocess, crit}},
        {"", nullptr, "WritePrivateProfileStringA", false, 1, {kWprocess, help}},
        {"", nullptr, "WritePrivateProfileStringA", true, 1, {older, kWprocess, help}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("missing \"") + r.missing + "\", program tree " + (r.progTree ? r.progTree : "-") +
                     ", hooked " + (r.hooked ? r.hooked : "-") + (r.olderCriteria ? ", an older criteria" : ""));
        StageSource(kSource, r.missing);
        if (r.olderCriteria) {
            rig::WriteFile(rig::SettingsFilePath(), "[QUILLMAR]\r\n" + older + "\r\n");
            WritePrivateProfileStringA(NULL, NULL, NULL, "QUILLMAR.INI");
        }
        StartIn(kSource);
        PickEditor();
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, "T:\\crit");
        std::string progDir = kDefaultDir;
        if (r.progTree) {
            rig::SetRadio(dlg, IDC_PROG_EXISTING);
            OpenInTree(IDC_PROG_DIR, r.progTree);
            progDir = r.progTree;
        }
        std::string spoilt = r.missing;
        if (r.hooked) {
            bool copy = strcmp(r.hooked, "CopyFileA") == 0;
            gReplaced = rig::HookImport(r.hooked, copy ? (void *)CopyAlteredPastItsFirstBlock : (void *)CriteriaWriteLost);
            ASSERT_NE(gReplaced, nullptr);
            spoilt = copy ? "quillmar.exe" : "";
        }

        EXPECT_EQ(PressOk(), 1);
        if (r.hooked)
            rig::HookImport(r.hooked, gReplaced);

        EXPECT_EQ(Boxes(), std::vector<std::string>{kUnsuccessful});
        EXPECT_EQ(InstallErrCount, r.errors);
        std::vector<std::string> settings = {"[QUILLMAR]"};
        settings.insert(settings.end(), r.settings.begin(), r.settings.end());
        EXPECT_EQ(SettingsWithoutHelpBlank(), settings);
        for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles}) {
            for (const std::string &name : *group) {
                if (name != r.missing) {
                    EXPECT_TRUE(SourceHas({name}));
                }
                if (name != spoilt) {
                    EXPECT_TRUE(CopiedTo(group == &kProgramFiles ? progDir : "T:\\crit", {name}));
                }
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
