// What the installation tests share: a staged source folder with the five product files, an
// editor to pick, the browsers opened at a folder, and the settings file read key by key.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rig.h"
#include "vendrel.h"

namespace it {

constexpr const char *kSource = "C:\\qtest\\src";
constexpr const char *kEditorDir = "C:\\qtest\\editor";
constexpr const char *kEditorFile = "edit.exe";
constexpr const char *kDefaultDir = "C:\\quillmar";   // the default destination, outside the scratch

const std::vector<std::string> kProgramFiles = {"quillmar.exe", "install.exe", "userhelp.hlp"};
const std::vector<std::string> kCriteriaFiles = {"criteria.inc", "criteria.exc"};
const std::vector<std::string> kDeletedOnSuccess = {"quillmar.exe", "userhelp.hlp", "criteria.inc",
                                                    "criteria.exc"};

constexpr const char *kUnsuccessful =
    "Quillmar|Installation unsuccessful.\n\nOne or more file/s not copied\nto their destination.";
constexpr const char *kComplete = "Quillmar|Installation complete";
constexpr const char *kBadProgPath = "ERROR|Invalid path given for\nlocation to place quillmar.exe";
constexpr const char *kBadCritPath = "ERROR|Invalid path given for\nlocation to place report files";
constexpr const char *kNoTreeLine = "ERROR|ERROR getting path details";
constexpr const char *kSourceUnusable =
    "ERROR|Nothing was installed: the name of the folder that holds the installation files cannot be used on "
    "this system.\n\nCopy the files to a folder such as C:\\quillmar-setup and start install.exe there.";
constexpr const char *kAbsent = "<absent>";
// The refusal of a program folder that another account owns.
inline std::string OwnedElsewhere(const std::string &dir)
{
    return "ERROR|" + dir + "\n\nAnother account owns this folder: the program files were not installed.";
}
// Makes folder dir (and its missing levels) and gives it to another Unix account, which Wine
// reports as owned by Anonymous Logon.
inline bool GiveAway(const std::string &dir)
{
    rig::MakeDirs(dir);
    return rig::UnixShell("chown 4321 '" + rig::UnixName(dir) + "'", 10000);
}

// Answers of the platform changed at the program's import slots, each until RestorePlatform
// (which InstallTest's TearDown calls too). False when the slot cannot be reached.
// Every owner read back (GetNamedSecurityInfoA) is `owner`, in SDDL: "BA", "SY" or a SID.
bool ReadOwnersAs(const std::string &owner);
// ConvertStringSecurityDescriptorToSecurityDescriptorA fails: the protection cannot be made.
bool FailProtection();
// GetACP reports code page cp.
bool ReportCodePage(UINT cp);
void RestorePlatform();

// Each product file's bytes tell where it came from, over several blocks of 4 KiB, so that
// every read-back of a copy reads more than one.
inline std::string Content(const std::string &name)
{
    std::string bytes;
    while (bytes.size() < 3 * 4096 + 100)
        bytes += "bytes of " + name + "\r\n";
    return bytes;
}

inline std::string Join(const std::string &dir, const std::string &name)
{
    return dir.back() == '\\' ? dir + name : dir + "\\" + name;
}

// The files of folder `dir` (not its folders), sorted as the platform lists them.
std::vector<std::string> FilesIn(const std::string &dir);

// Long names (a path of 260 characters or more) only go through the wide functions with the
// \\?\ prefix: the ANSI ones stop at 259.
void WriteLongFile(const std::string &path, const std::string &content);
bool LongFileExists(const std::string &path);
void DeleteLongFile(const std::string &path);

// The lines of the settings file, CRLF removed; the value of a key exactly as stored.
std::vector<std::string> SettingsLines();
std::string Setting(const std::string &key);   // kAbsent when the key is not there

class InstallTest : public rig::InstallerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Stages the product files in dir (the five, less `missing`) and the editor, and starts
    // the installer there.
    void StageSource(const std::string &dir = kSource, const std::string &missing = "");
    HWND StartIn(const std::string &dir = kSource);
    // The usual start: staged source, installer started in it, the editor picked.
    void StartReady();

    // Picks drive and folders of path in the browser of tree treeId, double-clicking each
    // level from the top; the folder ends selected.
    void OpenInTree(int treeId, const std::string &path);
    void PickEditor();
    void Uncheck(int id);

    // Every product file in the source folder with the bytes staged there (true), or the
    // ones named missing.
    ::testing::AssertionResult SourceHas(const std::vector<std::string> &names, bool present = true);
    // Each of names is in dir with its source bytes.
    ::testing::AssertionResult CopiedTo(const std::string &dir, const std::vector<std::string> &names);

    std::vector<std::string> Boxes() { return boxes->lines(); }

    std::string source_ = kSource;
    std::vector<std::string> longFiles_;   // removed by TearDown, which the rig cannot do
};

}  // namespace it
