// SaveToBatFile kind by kind, called as the OK command calls it, on the real dialog: the
// settings value read from the file right after the write that makes it (so that a closing
// blank is seen as written), the folders created and the bytes copied.
#include "install_fixture.h"

#include <aclapi.h>
#include <sddl.h>

namespace it {
namespace {

// ---- the permissions that the program asks for ----

// A descriptor's DACL in words, decoded with the platform's own functions: "protected" or "NOT
// PROTECTED", then each entry as "<SID> <rights> <inheritance>", the SID in its SDDL alias where
// it has one. An entry that lets Users, Authenticated Users or Everyone write says so.
std::string DescribeDacl(bool isProtected, PACL dacl)
{
    if (dacl == NULL)
        return "no DACL: everyone may do anything";
    std::string out = isProtected ? "protected" : "NOT PROTECTED";
    ACL_SIZE_INFORMATION info = {};
    GetAclInformation(dacl, &info, sizeof info, AclSizeInformation);
    for (DWORD i = 0; i < info.AceCount; i++) {
        void *ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            out += "; unreadable entry";
            continue;
        }
        const ACE_HEADER *h = (const ACE_HEADER *)ace;
        const ACCESS_ALLOWED_ACE *allowed = (const ACCESS_ALLOWED_ACE *)ace;
        char *sidText = nullptr;
        ConvertSidToStringSidA((PSID)&allowed->SidStart, &sidText);
        std::string sid = sidText ? sidText : "?";
        LocalFree(sidText);
        const std::pair<const char *, const char *> aliases[] = {
            {"S-1-5-18", "SYSTEM"}, {"S-1-5-32-544", "Administrators"}, {"S-1-5-32-545", "Users"},
            {"S-1-5-11", "Authenticated Users"}, {"S-1-1-0", "Everyone"}};
        for (const auto &a : aliases)
            if (sid == a.first)
                sid = a.second;
        DWORD mask = allowed->Mask;
        char rights[16];
        snprintf(rights, sizeof rights, "0x%lx", (unsigned long)mask);
        std::string r = mask == FILE_ALL_ACCESS                               ? "full control"
                        : mask == (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE) ? "read & execute"
                                                                              : rights;
        std::string inherit = (h->AceFlags & OBJECT_INHERIT_ACE) ? "(OI)" : "";
        inherit += (h->AceFlags & CONTAINER_INHERIT_ACE) ? "(CI)" : "";
        if (h->AceFlags & ~(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE))
            inherit += "(flags " + std::to_string(h->AceFlags) + ")";
        out += "; " + std::string(h->AceType == ACCESS_ALLOWED_ACE_TYPE ? "" : "type " + std::to_string(h->AceType) + " ") +
               sid + " " + r + " " + inherit;
        const DWORD writes = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                             FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
        if (h->AceType == ACCESS_ALLOWED_ACE_TYPE && (mask & writes) &&
            (sid == "Users" || sid == "Authenticated Users" || sid == "Everyone"))
            out += " LETS OTHERS WRITE";
    }
    return out;
}

// The program group's protection as DescribeDacl gives it.
const std::string kProtected = "protected; SYSTEM full control (OI)(CI); Administrators full control (OI)(CI); "
                               "Users read & execute (OI)(CI)";

typedef BOOL(WINAPI *CreateDirectoryAFn)(LPCSTR, LPSECURITY_ATTRIBUTES);
typedef DWORD(WINAPI *SetNamedSecurityInfoAFn)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
CreateDirectoryAFn gCreateDirectoryA;
SetNamedSecurityInfoAFn gSetNamedSecurityInfoA;
std::vector<std::string> gSecurityCalls;

// "create PATH: inherited" without security attributes, else the descriptor described.
BOOL WINAPI RecordCreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES sa)
{
    std::string what = "inherited";
    if (sa != NULL && sa->lpSecurityDescriptor == NULL) {
        what = "attributes without a descriptor";
    } else if (sa != NULL) {
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision;
        BOOL present = FALSE, defaulted;
        PACL dacl = NULL;
        GetSecurityDescriptorControl(sa->lpSecurityDescriptor, &control, &revision);
        GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted);
        what = present ? DescribeDacl((control & SE_DACL_PROTECTED) != 0, dacl) : "no DACL given";
    }
    gSecurityCalls.push_back(std::string("create ") + path + ": " + what);
    return gCreateDirectoryA(path, sa);
}

// "protect PATH: ..." for a DACL set on a file or folder.
DWORD WINAPI RecordSetNamedSecurityInfoA(LPSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION info, PSID owner,
                                         PSID group, PACL dacl, PACL sacl)
{
    std::string what = type != SE_FILE_OBJECT                   ? "not a file object"
                       : !(info & DACL_SECURITY_INFORMATION)   ? "no DACL set"
                       : DescribeDacl((info & PROTECTED_DACL_SECURITY_INFORMATION) != 0, dacl);
    // A new copy, under its temporary name beside its destination, is named by what it holds.
    std::string path = name;
    size_t slash = path.rfind('\\');
    if (path.compare(slash + 1, 3, "~qm") == 0) {
        std::string bytes = rig::ReadFile(path);
        path = path.substr(0, slash + 1) + "(new " + bytes.substr(9, bytes.find('\r') - 9) + ")";
    }
    gSecurityCalls.push_back("protect " + path + ": " + what);
    return gSetNamedSecurityInfoA(name, type, info, owner, group, dacl, sacl);
}

// A fresh settings file for the next row: the file gone and the profile cache forgotten.
void ForgetSettings()
{
    DeleteFileA(rig::SettingsFilePath().c_str());
    WritePrivateProfileStringA(NULL, NULL, NULL, "QUILLMAR.INI");
}

class Kinds : public InstallTest {
protected:
    // Runs one kind from zero counts, as an OK starts; returns SaveToBatFile's result. The
    // program's calls that give folders and files their permissions are in `calls`.
    int Run(int myDir, int kind)
    {
        ForgetSettings();
        boxes->clear();
        InstallErrCount = 0;
        StartInstallation();
        NumSettingsMade = 0;
        gSecurityCalls.clear();
        gCreateDirectoryA = (CreateDirectoryAFn)rig::HookImport("CreateDirectoryA", (void *)RecordCreateDirectoryA);
        gSetNamedSecurityInfoA = (SetNamedSecurityInfoAFn)rig::HookImportFrom(
            "advapi32.dll", "SetNamedSecurityInfoA", (void *)RecordSetNamedSecurityInfoA);
        EXPECT_TRUE(gCreateDirectoryA && gSetNamedSecurityInfoA) << "the calls cannot be watched";
        int result = SaveToBatFile(dlg, myDir, kind);
        rig::HookImport("CreateDirectoryA", (void *)gCreateDirectoryA);
        rig::HookImportFrom("advapi32.dll", "SetNamedSecurityInfoA", (void *)gSetNamedSecurityInfoA);
        calls = gSecurityCalls;
        return result;
    }
    std::vector<std::string> calls;
};

// The lines of `calls` for the program group's three files in dir, each new copy protected
// beside its destination before it takes its place.
std::vector<std::string> FilesProtected(const std::string &dir)
{
    std::vector<std::string> out;
    for (const std::string &name : kProgramFiles)
        out.push_back("protect " + dir + "\\(new " + name + "): " + kProtected);
    return out;
}

// The copies in dest carry no read-only attribute, whatever their sources had (a CD's files
// come read-only, and Windows would then refuse to replace or delete them at the next upgrade).
::testing::AssertionResult NoneReadOnly(const std::string &dest, const std::vector<std::string> &names)
{
    for (const std::string &name : names) {
        DWORD attrs = GetFileAttributesA(Join(dest, name).c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_READONLY))
            return ::testing::AssertionFailure() << Join(dest, name) << " attributes 0x" << std::hex << attrs;
    }
    return ::testing::AssertionSuccess();
}

// Marks the staged sources of names read-only (true), as files from a CD come, or writable again.
void SourcesReadOnly(const std::vector<std::string> &names, bool readOnly)
{
    for (const std::string &name : names)
        SetFileAttributesA(Join(kSource, name).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Kinds, ProgramKindsRecordHelpAndCopyTheThreeFiles)
{
    StartReady();
    SourcesReadOnly(kProgramFiles, true);
    rig::MakeDirs("T:\\progs\\bin");
    // Every folder that the group makes, and every file it copies, is made or set for
    // administrators alone; an existing folder that the group makes its own (the default, a
    // typed last level) is set so too, one picked in the tree is left as it is.
    const std::string made = ": " + kProtected;
    const std::vector<std::string> older =
        std::vector<std::string>{"create c:\\quillmar" + made, "protect c:\\quillmar" + made} +
        FilesProtected("c:\\quillmar");
    struct Row {
        int kind;
        const char *where;     // the tree folder (109) or the typed text (111)
        const char *help;      // exactly as stored
        const char *dest;
        std::vector<std::string> calls;
        const char *owner = nullptr;   // the owner read back, in SDDL; null: as the file system has it
    } rows[] = {
        {IDC_PROG_DEFAULT, "", "c:\\quillmar\\userhelp.hlp ", kDefaultDir,
         std::vector<std::string>{"create c:\\quillmar" + made} + FilesProtected("c:\\quillmar")},
        // Now there, from the row before: an older installation.
        {IDC_PROG_DEFAULT, "", "c:\\quillmar\\userhelp.hlp ", kDefaultDir, older},
        // One that an elevated administrator made, which Windows gives to Administrators and not
        // to the administrator's own account; one that the system made.
        {IDC_PROG_DEFAULT, "", "c:\\quillmar\\userhelp.hlp ", kDefaultDir, older, "BA"},
        {IDC_PROG_DEFAULT, "", "c:\\quillmar\\userhelp.hlp ", kDefaultDir, older, "SY"},
        {IDC_PROG_EXISTING, "T:\\progs", "T:\\progs\\userhelp.hlp ", "T:\\progs", FilesProtected("T:\\progs")},
        {IDC_PROG_EXISTING, "T:\\progs\\bin", "T:\\progs\\bin\\userhelp.hlp ", "T:\\progs\\bin",
         FilesProtected("T:\\progs\\bin")},
        // A drive root keeps its backslash: the value has two in a row.
        {IDC_PROG_EXISTING, "T:\\", "T:\\\\userhelp.hlp ", "T:\\", FilesProtected("T:\\")},
        {IDC_PROG_NEW, "T:\\new\\\\prog\\", "T:\\new\\prog\\userhelp.hlp", "T:\\new\\prog",
         std::vector<std::string>{"create T:\\new" + made, "create T:\\new\\prog" + made} +
             FilesProtected("T:\\new\\\\prog")},
        // A typed folder that exists: its level above is left as it is, the folder is set.
        {IDC_PROG_NEW, "T:\\progs\\bin", "T:\\progs\\bin\\userhelp.hlp", "T:\\progs\\bin",
         std::vector<std::string>{"create T:\\progs" + made, "create T:\\progs\\bin" + made,
                                  "protect T:\\progs\\bin" + made} +
             FilesProtected("T:\\progs\\bin")},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(r.kind) + " at \"" + r.where + "\"" +
                     (r.owner ? std::string(", owned by ") + r.owner : ""));
        if (r.kind == IDC_PROG_EXISTING)
            OpenInTree(IDC_PROG_DIR, r.where);
        if (r.kind == IDC_PROG_NEW)
            rig::SetEditText(dlg, IDC_PROG_NEWPATH, r.where);
        if (r.owner) {
            EXPECT_TRUE(ReadOwnersAs(r.owner)) << "the owner cannot be given";
        }

        int result = Run(r.kind == IDC_PROG_NEW ? 0 : IDC_PROG_DIR, r.kind);
        RestorePlatform();

        EXPECT_EQ(SettingsLines(), (std::vector<std::string>{"[QUILLMAR]", std::string("help=") + r.help}));
        EXPECT_EQ(calls, r.calls);
        EXPECT_NE(result, 0) << "the last copy's result";
        EXPECT_EQ(InstallErrCount, 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        EXPECT_TRUE(CopiedTo(r.dest, kProgramFiles));
        EXPECT_TRUE(NoneReadOnly(r.dest, kProgramFiles));
        EXPECT_TRUE(SourceHas(kProgramFiles));
        for (const std::string &name : kProgramFiles)
            DeleteFileA(Join(r.dest, name).c_str());
    }
    SourcesReadOnly(kProgramFiles, false);
}

TEST_F(Kinds, CriteriaKindsRecordTheirFolderAndCopyTheTwoFiles)
{
    StartReady();
    SourcesReadOnly(kCriteriaFiles, true);
    rig::MakeDirs("T:\\crit");
    // Users edit these files: their folders and copies keep what they inherit.
    struct Row {
        int kind;
        const char *where;
        const char *criteria;
        const char *dest;
        std::vector<std::string> calls;
    } rows[] = {
        {IDC_CRIT_EXISTING, "T:\\crit", "T:\\crit", "T:\\crit", {}},
        {IDC_CRIT_EXISTING, "T:\\", "T:\\", "T:\\", {}},
        // As typed, less the closing backslashes: the inner run stays in the value.
        {IDC_CRIT_NEW, "T:\\new\\\\crit\\\\", "T:\\new\\\\crit", "T:\\new\\crit",
         {"create T:\\new: inherited", "create T:\\new\\crit: inherited"}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(std::string("kind ") + std::to_string(r.kind) + " at \"" + r.where + "\"");
        if (r.kind == IDC_CRIT_EXISTING)
            OpenInTree(IDC_CRIT_DIR, r.where);
        else
            rig::SetEditText(dlg, IDC_CRIT_NEWPATH, r.where);

        int result = Run(r.kind == IDC_CRIT_NEW ? 0 : IDC_CRIT_DIR, r.kind);

        EXPECT_EQ(SettingsLines(), (std::vector<std::string>{"[QUILLMAR]", std::string("criteria=") + r.criteria}));
        EXPECT_EQ(calls, r.calls);
        EXPECT_NE(result, 0);
        EXPECT_EQ(InstallErrCount, 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        EXPECT_TRUE(CopiedTo(r.dest, kCriteriaFiles));
        EXPECT_TRUE(NoneReadOnly(r.dest, kCriteriaFiles));
        EXPECT_TRUE(SourceHas(kCriteriaFiles));
        for (const std::string &name : kCriteriaFiles)
            DeleteFileA(Join(r.dest, name).c_str());
    }
    SourcesReadOnly(kCriteriaFiles, false);
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
