// The OK command as the user gives it: the editor, both groups, the outcome message, and after
// a complete installation the source files removed and "install" recorded.
#include "install_fixture.h"

#include <string.h>

#include <algorithm>
#include <iterator>

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

// Closes the handle it is given after 300 ms, as a reader lets go of a file.
DWORD WINAPI LetGoSoon(LPVOID handle)
{
    Sleep(300);
    CloseHandle((HANDLE)handle);
    return 0;
}

// A source and an older destination file are held open meanwhile for reading and writing with
// full sharing, as an editor, an indexer or an antivirus holds a file: the read-back shares them,
// and the older file, which the platform may not replace while it is open, is let go within
// the second that the installer waits for it.
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
    HANDLE reader = CreateThread(NULL, 0, LetGoSoon, held[1], 0, NULL);

    EXPECT_EQ(PressOk(), 1);
    WaitForSingleObject(reader, INFINITE);
    CloseHandle(reader);
    CloseHandle(held[0]);

    EXPECT_EQ(Boxes(), std::vector<std::string>{kComplete});
    EXPECT_EQ(SettingsWithoutHelpBlank(),
              (std::vector<std::string>{"[QUILLMAR]", kWprocess, "help=c:\\quillmar\\userhelp.hlp",
                                        "criteria=T:\\crit", "install=C:\\qtest\\src\\userhelp.hlp"}));
    EXPECT_TRUE(CopiedTo(kDefaultDir, kProgramFiles));
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
    EXPECT_EQ(FilesIn("T:\\crit"), (std::vector<std::string>{"criteria.exc", "criteria.inc"})) << "no temporary file left";
    EXPECT_EQ(FilesIn(kDefaultDir), (std::vector<std::string>{"install.exe", "quillmar.exe", "userhelp.hlp"}));
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

    // Four sources are gone (install.exe is still there and copies again, but its group is
    // not whole); "install" keeps the first OK's value; the copies of the first OK stay.
    EXPECT_EQ(Boxes(), std::vector<std::string>{rig::Unsuccessful(
                           {{"C:\\qtest\\src\\quillmar.exe", ERROR_FILE_NOT_FOUND},
                            {"C:\\qtest\\src\\userhelp.hlp", ERROR_FILE_NOT_FOUND},
                            {"C:\\qtest\\src\\criteria.inc", ERROR_FILE_NOT_FOUND},
                            {"C:\\qtest\\src\\criteria.exc", ERROR_FILE_NOT_FOUND}})});
    EXPECT_EQ(InstallErrCount, 4);
    EXPECT_EQ(SettingsWithoutHelpBlank(),
              (std::vector<std::string>{"[QUILLMAR]", kWprocess, "help=c:\\quillmar\\userhelp.hlp",
                                        "criteria=T:\\crit", "install=C:\\qtest\\src\\userhelp.hlp"}));
    EXPECT_TRUE(CopiedTo(kDefaultDir, kProgramFiles));
    EXPECT_TRUE(CopiedTo("T:\\crit", kCriteriaFiles));
    EXPECT_TRUE(SourceHas({"install.exe"}));
}

// What a hooked platform call of the program does instead, through the call it replaced, for
// the product file gSpoilt ("" for every one).
void *gReplaced;
std::string gSpoilt;

// Whether path names the product file gSpoilt in some folder.
bool Spoilt(LPCSTR path)
{
    std::string p = path;
    size_t at = p.size() - gSpoilt.size();
    return gSpoilt.empty() || (p.size() > gSpoilt.size() && p[at - 1] == '\\' && _stricmp(p.c_str() + at, gSpoilt.c_str()) == 0);
}

// The copy of gSpoilt stops halfway, on a full disk, and leaves its first part behind, as
// Wine's copy does.
BOOL WINAPI CopyCutShort(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    BOOL copied = ((BOOL(WINAPI *)(LPCSTR, LPCSTR, BOOL))gReplaced)(from, to, failIfExists);
    if (!copied || !Spoilt(from))
        return copied;
    HANDLE h = CreateFileA(to, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    SetFilePointer(h, 5000, NULL, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// The copy of gSpoilt arrives with one byte changed, in its third block.
BOOL WINAPI CopyAlteredPastItsFirstBlock(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    BOOL copied = ((BOOL(WINAPI *)(LPCSTR, LPCSTR, BOOL))gReplaced)(from, to, failIfExists);
    if (copied && Spoilt(from)) {
        HANDLE h = CreateFileA(to, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        DWORD written = 0;
        SetFilePointer(h, 9000, NULL, FILE_BEGIN);
        ::WriteFile(h, "#", 1, &written, NULL);
        CloseHandle(h);
    }
    return copied;
}

// The new copy of gSpoilt cannot take its place (an older file put back still can).
BOOL WINAPI NewCopyRefused(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (Spoilt(to) && rig::ReadFile(from) == Content(gSpoilt)) {
        SetLastError(ERROR_WRITE_PROTECT);
        return FALSE;
    }
    return ((BOOL(WINAPI *)(LPCSTR, LPCSTR, DWORD))gReplaced)(from, to, flags);
}

// As on Windows, a read-only file is not replaced (Wine, run as root, replaces it); and the new
// copy of gSpoilt cannot take its place.
BOOL WINAPI ReadOnlyKeptOrSpoilt(LPCSTR from, LPCSTR to, DWORD flags)
{
    DWORD attrs = GetFileAttributesA(to);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return NewCopyRefused(from, to, flags);
}

// The write of "criteria", the last key of an OK, is said to succeed and does not happen.
BOOL WINAPI CriteriaWriteLost(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    if (key != NULL && strcmp(key, "criteria") == 0)
        return TRUE;
    return ((BOOL(WINAPI *)(LPCSTR, LPCSTR, LPCSTR, LPCSTR))gReplaced)(section, key, value, file);
}

std::string Older(const std::string &name) { return "the older " + name; }

// An upgrade that fails anywhere, at any file of either group: the unsuccessful message with a
// line for each file that failed, every source file kept, no "install". The group that failed
// leaves its folder with its older files byte for byte and nothing else, and its key as it
// was; the other group is installed and recorded.
TEST_F(OkCommandTest, AFailedCopyKeepsEverySourceFile)
{
    const std::string help = "help=c:\\quillmar\\userhelp.hlp", crit = "criteria=T:\\crit";
    const std::string older = "criteria=T:\\crit\\old";   // begins with the value written
    const std::string longProg = "T:\\" + std::string(100, 'p') + "\\" + std::string(120, 'q');
    const std::string longCrit = "T:\\" + std::string(76, 'c');
    struct Row {
        const char *what;
        const char *missing;    // a product file not staged
        std::string progDir;    // program group: typed (a new folder) or the default folder
        std::string critDir;    // criteria group: typed
        const char *hooked;     // a kernel32 call replaced during OK
        void *hook;
        const char *spoilt;     // the product file that the hook spoils ("" every one)
        bool olderCriteria;     // the settings file holds an older criteria value before OK
        std::vector<std::pair<std::string, DWORD>> failed;   // the lines of the message
        std::vector<std::string> settings;                   // after "[QUILLMAR]"
        const char *readOnly = "";   // an older criteria file marked read-only, and so again after
    } rows[] = {
        {"a source missing", "criteria.exc", "", "", nullptr, nullptr, "", false,
         {{"C:\\qtest\\src\\criteria.exc", ERROR_FILE_NOT_FOUND}}, {kWprocess, help}},
        {"a source missing", "quillmar.exe", "", "", nullptr, nullptr, "", false,
         {{"C:\\qtest\\src\\quillmar.exe", ERROR_FILE_NOT_FOUND}}, {kWprocess, crit}},
        // The installer running under another name.
        {"a source missing", "install.exe", "", "", nullptr, nullptr, "", false,
         {{"C:\\qtest\\src\\install.exe", ERROR_FILE_NOT_FOUND}}, {kWprocess, crit}},
        // The source folder as destination, under another case and with a closing period.
        {"the source folder", "", "C:\\QTEST\\SRC.", "", nullptr, nullptr, "", false,
         {{"C:\\QTEST\\SRC.\\quillmar.exe", rig::kSameAsSource},
          {"C:\\QTEST\\SRC.\\install.exe", rig::kSameAsSource},
          {"C:\\QTEST\\SRC.\\userhelp.hlp", rig::kSameAsSource}},
         {kWprocess, crit}},
        {"the profile write", "", "", "", "WritePrivateProfileStringA", (void *)CriteriaWriteLost, "", false, {},
         {kWprocess, help}},
        {"the profile write", "", "", "", "WritePrivateProfileStringA", (void *)CriteriaWriteLost, "", true, {},
         {older, kWprocess, help}},
        // Every copy fails, into long folders: five lines, and the box still on the screen.
        {"every copy", "", longProg, longCrit, "CopyFileA", (void *)CopyCutShort, "", false,
         {{longProg + "\\quillmar.exe", ERROR_DISK_FULL}, {longProg + "\\install.exe", ERROR_DISK_FULL},
          {longProg + "\\userhelp.hlp", ERROR_DISK_FULL}, {longCrit + "\\criteria.inc", ERROR_DISK_FULL},
          {longCrit + "\\criteria.exc", ERROR_DISK_FULL}},
         {kWprocess}},
        // The older criteria.inc is read-only: its mark is taken off so that it can be
        // replaced, and given back when the group then fails at criteria.exc.
        {"a read-only older file, then the replacement", "", "", "", "MoveFileExA", (void *)ReadOnlyKeptOrSpoilt,
         "criteria.exc", false, {{"T:\\crit\\criteria.exc", ERROR_WRITE_PROTECT}}, {kWprocess, help}, "criteria.inc"},
    };
    std::vector<Row> table(std::begin(rows), std::end(rows));
    // The copy, the read-back and the replacement of each file of each group fail in turn.
    for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles}) {
        std::string dir = group == &kProgramFiles ? "c:\\quillmar" : "T:\\crit";
        const std::string &kept = group == &kProgramFiles ? crit : help;
        for (const std::string &name : *group) {
            const char *n = name.c_str();
            table.push_back({"the copy", "", "", "", "CopyFileA", (void *)CopyCutShort, n, false,
                             {{Join(dir, name), ERROR_DISK_FULL}}, {kWprocess, kept}});
            table.push_back({"the read-back", "", "", "", "CopyFileA", (void *)CopyAlteredPastItsFirstBlock, n,
                             false, {{Join(dir, name), rig::kCopyDiffers}}, {kWprocess, kept}});
            table.push_back({"the replacement", "", "", "", "MoveFileExA", (void *)NewCopyRefused, n, false,
                             {{Join(dir, name), ERROR_WRITE_PROTECT}}, {kWprocess, kept}});
        }
    }
    for (const Row &r : table) {
        SCOPED_TRACE(std::string(r.what) + ": missing \"" + r.missing + "\", hooked " + (r.hooked ? r.hooked : "-") +
                     " for \"" + r.spoilt + "\"" + (r.olderCriteria ? ", an older criteria" : ""));
        // An older installation in both folders that the rows use, and the sources.
        std::string progDir = r.progDir.empty() ? kDefaultDir : r.progDir;
        std::string critDir = r.critDir.empty() ? "T:\\crit" : r.critDir;
        StageSource(kSource, r.missing);
        rig::MakeDirs(kDefaultDir);
        rig::MakeDirs("T:\\crit");
        for (const std::string &name : kProgramFiles)
            rig::WriteFile(Join(kDefaultDir, name), Older(name));
        for (const std::string &name : kCriteriaFiles)
            rig::WriteFile(Join("T:\\crit", name), Older(name));
        std::string readOnly = *r.readOnly ? Join("T:\\crit", r.readOnly) : "";
        if (!readOnly.empty())
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
        if (r.olderCriteria) {
            rig::WriteFile(rig::SettingsFilePath(), "[QUILLMAR]\r\n" + older + "\r\n");
            WritePrivateProfileStringA(NULL, NULL, NULL, "QUILLMAR.INI");
        }
        StartIn(kSource);
        PickEditor();
        if (!r.progDir.empty()) {
            rig::SetRadio(dlg, IDC_PROG_NEW);
            rig::SetEditText(dlg, IDC_PROG_NEWPATH, r.progDir);
        }
        rig::SetRadio(dlg, IDC_CRIT_NEW);
        rig::SetEditText(dlg, IDC_CRIT_NEWPATH, critDir);
        if (r.hooked) {
            gSpoilt = r.spoilt;
            gReplaced = rig::HookImport(r.hooked, r.hook);
            ASSERT_NE(gReplaced, nullptr);
        }

        EXPECT_EQ(PressOk(), 1);
        if (r.hooked)
            rig::HookImport(r.hooked, gReplaced);

        EXPECT_EQ(Boxes(), std::vector<std::string>{rig::Unsuccessful(r.failed)});
        ASSERT_EQ(boxes->boxes().size(), 1u);
        RECT box = boxes->boxes()[0].rect;
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= GetSystemMetrics(SM_CXSCREEN) &&
                    box.bottom <= GetSystemMetrics(SM_CYSCREEN))
            << "the box at " << box.left << "," << box.top << " - " << box.right << "," << box.bottom;
        EXPECT_EQ(InstallErrCount, std::max<int>(1, (int)r.failed.size()));
        std::vector<std::string> settings = {"[QUILLMAR]"};
        settings.insert(settings.end(), r.settings.begin(), r.settings.end());
        EXPECT_EQ(SettingsWithoutHelpBlank(), settings);
        for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles}) {
            bool isProgram = group == &kProgramFiles;
            std::string dest = isProgram ? progDir : critDir;
            bool failed = false;
            for (const auto &f : r.failed)
                failed |= std::find(group->begin(), group->end(), f.first.substr(f.first.rfind('\\') + 1)) != group->end();
            // What the folder holds: the older files as they were, or the group's new copies.
            bool older = failed && (isProgram ? r.progDir.empty() : r.critDir.empty());
            if (dest == "C:\\QTEST\\SRC.") {
                EXPECT_EQ(FilesIn(kSource), (std::vector<std::string>{"criteria.exc", "criteria.inc", "install.exe",
                                                                      "quillmar.exe", "userhelp.hlp"}));
            } else if (failed && !older) {
                EXPECT_EQ(FilesIn(dest), std::vector<std::string>{}) << dest;
            } else {
                std::vector<std::string> sorted = *group;
                std::sort(sorted.begin(), sorted.end());
                EXPECT_EQ(FilesIn(dest), sorted) << dest << ": no temporary file, nothing else";
            }
            for (const std::string &name : *group) {
                if (name != r.missing) {
                    EXPECT_TRUE(SourceHas({name}));
                }
                if (older) {
                    EXPECT_EQ(rig::ReadFile(Join(dest, name)), Older(name)) << "the older " << name;
                } else if (!failed) {
                    EXPECT_TRUE(CopiedTo(dest, {name}));
                }
            }
        }
        if (!readOnly.empty()) {
            EXPECT_TRUE(GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY) << readOnly;
            SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
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
