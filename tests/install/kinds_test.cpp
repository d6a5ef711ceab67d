// SaveToBatFile kind by kind, called as the OK command calls it, on the real dialog: the
// settings value read from the file right after the write that makes it (so that a closing
// blank is seen as written), the folders created and the bytes copied.
#include "install_fixture.h"

namespace it {
namespace {

// A fresh settings file for the next row: the file gone and the profile cache forgotten.
void ForgetSettings()
{
    DeleteFileA(rig::SettingsFilePath().c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, "QUILLMAR.INI");
}

class Kinds : public InstallTest {
protected:
    // Runs one kind from zero counts, as an OK starts; returns SaveToBatFile's result.
    int Run(int myDir, int kind)
    {
        ForgetSettings();
        boxes->clear();
        InstallErrCount = 0;
        NumCopiesMade = 0;
        NumSettingsMade = 0;
        return SaveToBatFile(dlg, myDir, kind);
    }
};

TEST_F(Kinds, ProgramKindsRecordHelpAndCopyTheThreeFiles)
{
    StartReady();
    rig::MakeDirs("T:\\progs\\bin");
    struct Row {
        int kind;
        const char *where;     // the tree folder (109) or the typed text (111)
        const char *help;      // exactly as stored
        const char *dest;
    } rows[] = {
        {IDC_PROG_DEFAULT, "", "c:\\quillmar\\userhelp.hlp ", kDefaultDir},
        {IDC_PROG_EXISTING, "T:\\progs", "T:\\progs\\userhelp.hlp ", "T:\\progs"},
        {IDC_PROG_EXISTING, "T:\\progs\\bin", "T:\\progs\\bin\\userhelp.hlp ", "T:\\progs\\bin"},
        // A drive root keeps its backslash: the value has two in a row.
        {IDC_PROG_EXISTING, "T:\\", "T:\\\\userhelp.hlp ", "T:\\"},
        {IDC_PROG_NEW, "T:\\new\\\\prog\\", "T:\\new\\prog\\userhelp.hlp", "T:\\new\\prog"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(r.kind) + " at \"" + r.where + "\"");
        if (r.kind == IDC_PROG_EXISTING)
            OpenInTree(IDC_PROG_DIR, r.where);
        if (r.kind == IDC_PROG_NEW)
            rig::SetEditText(dlg, IDC_PROG_NEWPATH, r.where);

        int result = Run(r.kind == IDC_PROG_NEW ? 0 : IDC_PROG_DIR, r.kind);

        EXPECT_EQ(SettingsLines(), (std::vector<std::string>{"[QUILLMAR]", std::string("help=") + r.help}));
        EXPECT_NE(result, 0) << "the last copy's result";
        EXPECT_EQ(InstallErrCount, 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        EXPECT_TRUE(CopiedTo(r.dest, kProgramFiles));
        EXPECT_TRUE(SourceHas(kProgramFiles));
        for (const std::string &name : kProgramFiles)
            DeleteFileA(Join(r.dest, name).c_str());
    }
}

TEST_F(Kinds, CriteriaKindsRecordTheirFolderAndCopyTheTwoFiles)
{
    StartReady();
    rig::MakeDirs("T:\\crit");
    struct Row {
        int kind;
        const char *where;
        const char *criteria;
        const char *dest;
    } rows[] = {
        {IDC_CRIT_EXISTING, "T:\\crit", "T:\\crit", "T:\\crit"},
        {IDC_CRIT_EXISTING, "T:\\", "T:\\", "T:\\"},
        // As typed, less the closing backslashes: the inner run stays in the value.
        {IDC_CRIT_NEW, "T:\\new\\\\crit\\\\", "T:\\new\\\\crit", "T:\\new\\crit"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(r.kind) + " at \"" + r.where + "\"");
        if (r.kind == IDC_CRIT_EXISTING)
            OpenInTree(IDC_CRIT_DIR, r.where);
        else
            rig::SetEditText(dlg, IDC_CRIT_NEWPATH, r.where);

        int result = Run(r.kind == IDC_CRIT_NEW ? 0 : IDC_CRIT_DIR, r.kind);

        EXPECT_EQ(SettingsLines(), (std::vector<std::string>{"[QUILLMAR]", std::string("criteria=") + r.criteria}));
        EXPECT_NE(result, 0);
        EXPECT_EQ(InstallErrCount, 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        EXPECT_TRUE(CopiedTo(r.dest, kCriteriaFiles));
        EXPECT_TRUE(SourceHas(kCriteriaFiles));
        for (const std::string &name : kCriteriaFiles)
            DeleteFileA(Join(r.dest, name).c_str());
    }
}

// What a typed program folder becomes: the levels created, the "help" value, where the
// files go. Rows run in order on one dialog; the first leaves the field as the template has it.
TEST_F(Kinds, TypedProgramFolder)
{
    StartReady();
    struct Row {
        const char *typed;                 // null: the field's text untouched
        std::vector<std::string> boxes;
        const char *help;
        std::vector<std::string> dirs;     // folders that exist afterwards
        const char *dest;                  // where the three files are, or null
        int errors;
    } rows[] = {
        {nullptr, {kBadProgPath}, kAbsent, {}, nullptr, 1},
        {"", {kBadProgPath}, kAbsent, {}, nullptr, 1},
        {"T", {kBadProgPath}, kAbsent, {}, nullptr, 1},
        {" T:\\lead", {kBadProgPath}, kAbsent, {}, nullptr, 1},   // the letter is second
        {"T:", {}, "T:\\userhelp.hlp", {}, "T:\\", 0},
        {"T:\\\\\\", {}, "T:\\userhelp.hlp", {}, "T:\\", 0},
        {"T:\\a\\\\b\\", {}, "T:\\a\\b\\userhelp.hlp", {"T:\\a", "T:\\a\\b"}, "T:\\a\\b", 0},
        {"t:\\Mixed Case\\ x", {}, "t:\\Mixed Case\\ x\\userhelp.hlp", {"T:\\Mixed Case\\ x"}, "T:\\Mixed Case\\ x", 0},
        // Relative to the drive's current folder, here its root.
        {"T:tools\\new", {}, "T:tools\\new\\userhelp.hlp", {"T:\\tools", "T:\\tools\\new"}, "T:\\tools\\new", 0},
        // One level as typed: the platform reads the slash as a separator.
        {"T:/fwd", {}, "T:/fwd\\userhelp.hlp", {"T:\\fwd"}, "T:\\fwd", 0},
        // One level again, whose parent does not exist: nothing is created, every copy fails,
        // nothing is recorded.
        {"T:\\up/sub", {}, kAbsent, {}, nullptr, 3},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("typed \"") + (r.typed ? r.typed : "(untouched)") + "\"");
        if (r.typed)
            rig::SetEditText(dlg, IDC_PROG_NEWPATH, r.typed);

        int result = Run(0, IDC_PROG_NEW);

        EXPECT_EQ(Setting("help"), r.help);
        EXPECT_EQ(Boxes(), r.boxes);
        EXPECT_EQ(InstallErrCount, r.errors);
        if (!r.boxes.empty()) {
            EXPECT_EQ(result, IDOK) << "the message box's result";
        }
        for (const std::string &d : r.dirs)
            EXPECT_TRUE(rig::DirExists(d)) << d;
        if (r.dest) {
            EXPECT_TRUE(CopiedTo(r.dest, kProgramFiles));
        }
        // Nothing else on T: than the rows' folders and files.
        std::vector<std::string> expectedRoot = r.dest && std::string(r.dest) == "T:\\"
                                                    ? std::vector<std::string>{"install.exe", "quillmar.exe", "userhelp.hlp"}
                                                    : std::vector<std::string>{};
        EXPECT_EQ(FilesIn("T:\\"), expectedRoot);
        EXPECT_FALSE(rig::DirExists("T:\\lead"));
        EXPECT_FALSE(rig::DirExists("T:\\up"));
        rig::EmptyFolder("T:\\");
    }
}

TEST_F(Kinds, TypedCriteriaFolder)
{
    StartReady();
    // 100 characters typed; the field is read for its first 79.
    std::string longTyped = "T:\\" + std::string(40, 'c') + "\\" + std::string(56, 'd');
    std::string first79 = longTyped.substr(0, 79);
    std::string dir79 = "T:\\" + std::string(40, 'c') + "\\" + std::string(35, 'd');
    ASSERT_EQ(first79, dir79);
    struct Row {
        const char *typed;
        std::vector<std::string> boxes;
        std::string criteria;
        std::vector<std::string> dirs;
        const char *dest;
        int errors;
    } rows[] = {
        {nullptr, {kBadCritPath}, kAbsent, {}, nullptr, 1},
        {" T:\\lead", {kBadCritPath}, kAbsent, {}, nullptr, 1},
        {"T:\\crit\\\\", {}, "T:\\crit", {"T:\\crit"}, "T:\\crit", 0},
        {longTyped.c_str(), {}, first79, {"T:\\" + std::string(40, 'c'), dir79}, dir79.c_str(), 0},
        // On a drive that does not exist: both copies fail, and the key is not written.
        {"Q:\\nodrive", {}, kAbsent, {}, nullptr, 2},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("typed \"") + (r.typed ? r.typed : "(untouched)") + "\"");
        if (r.typed)
            rig::SetEditText(dlg, IDC_CRIT_NEWPATH, r.typed);

        int result = Run(0, IDC_CRIT_NEW);

        EXPECT_EQ(Setting("criteria"), r.criteria);
        EXPECT_EQ(Boxes(), r.boxes);
        EXPECT_EQ(InstallErrCount, r.errors);
        if (!r.boxes.empty()) {
            EXPECT_EQ(result, IDOK);
        }
        for (const std::string &d : r.dirs)
            EXPECT_TRUE(rig::DirExists(d)) << d;
        if (r.dest) {
            EXPECT_TRUE(CopiedTo(r.dest, kCriteriaFiles));
        }
        EXPECT_FALSE(rig::DirExists("T:\\lead"));
        rig::EmptyFolder("T:\\");
    }
}

}  // namespace
}  // namespace it
