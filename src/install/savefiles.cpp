// The installation of one destination group: settle its directory (the default one, the one
// selected in its tree list, or a typed one created level by level), install the group's files
// there from the source folder gPath2, whole or not at all (replace.cpp), and only then record
// the directory in the settings file. This and replace.cpp are the only code of the installer
// that creates directories or copies files.
//
// A group's key ("help" or "criteria") is the product's only record of where that group went.
// It is written once every file of the group is at its destination in this OK: a group that
// fails leaves its folder and the key as they were, so that a second OK to a folder that the files never
// reach does not take the record away from a working installation.
//
// A group that cannot be installed as the user asked (a refused typed path, a tree list with
// no selection, a "help" value that does not fit, a folder that another account owns) is
// refused whole: nothing of it is created, written or copied, and it raises InstallErrCount by
// one, like a failed copy, so that the OK command reports the installation unsuccessful and
// deletes none of the source files.
//
// The program group runs elevated from where it goes: the folders it makes and its three
// files get the protection of protect.h, so that no ordinary user can change them. A folder
// picked in the tree keeps its own permissions (its program files are protected all the same);
// the criteria group keeps what it inherits, since users edit those files.
#include "vendrel.h"

#include "pathcore.h"
#include "protect.h"
#include "replace.h"
#include "settings.h"
#include "strbuf.h"

static_assert(kCorePathSize == kPathSize, "the path rules work on the program's path buffers");

const char *const ProductFiles[kProductFiles] = {"quillmar.exe", "install.exe", "userhelp.hlp", "criteria.inc",
                                                 "criteria.exc"};
// The program group's three files, then the criteria group's two.
static const char *const *const kProgramFiles = ProductFiles;
constexpr size_t kProgramCount = 3;
static const char *const *const kCriteriaFiles = ProductFiles + kProgramCount;
constexpr size_t kCriteriaCount = kProductFiles - kProgramCount;

static const char kDefaultDir[] = "c:\\quillmar";

// The edit fields are read whole: each holds at most its limit (set as the dialog starts).
static const int kProgTypedSize = kProgTypedChars + 1;
static const int kCritTypedSize = kCritTypedChars + 1;

// Installs the group's `count` files in their order into destDir, whole or not at all (see
// replace.cpp); then, if every one of them is in place, records key := value. Returns whether
// the group was installed.
static BOOL InstallGroupFiles(const char *destDir, const char *const *names, size_t count, const char *key,
                              const char *value, PSECURITY_DESCRIPTOR sd)
{
    if (!InstallFiles(destDir, names, count, sd))
        return FALSE;
    WriteInstallSetting(key, value);
    return TRUE;
}

// value := dir\userhelp.hlp, the "help" value. The default and the existing-folder kinds end it
// in one blank, which the product's reading of the file may rely on; the typed kind writes none.
// False when it does not fit.
static bool HelpValue(char (&value)[kPathSize], const char *dir, bool blank)
{
    return ComposeName(value, dir, ProductFiles[kUserHelp]) && (!blank || StrAppendChar(value, ' '));
}

// dir := the directory selected in tree list MyDir, without its closing backslash (a drive
// root keeps its own). False when the list has no selection: GetThePath has already said so.
static bool TreeDirectory(HWND hDlg, int MyDir, char (&dir)[kPathSize])
{
    if (!StrCopy(dir, GetThePath(MyDir, hDlg)) || dir[0] == '\0')
        return false;
    DropTreeClosingBackslash(dir);
    return true;
}

// typed := edit field fieldId, at most size - 1 characters, closing backslashes removed. A
// text whose second character is not a colon, or that cannot be written exactly in the code
// page in size - 1 bytes, is refused with message (owned by the dialog): then false, and
// *boxResult holds the message box's result.
static bool TypedDirectory(HWND hDlg, int fieldId, int size, const char *message,
                           char (&typed)[kPathSize], int *boxResult)
{
    // The field is read in wide form: its ANSI form would give a look-alike of a character
    // outside the code page (D:\Abc for an A with a macron), another folder than the one typed.
    WCHAR wide[kProgTypedSize];
    static_assert(kCritTypedSize <= kProgTypedSize, "both fields are read into one buffer");
    wide[0] = 0;
    GetDlgItemTextW(hDlg, fieldId, wide, size);
    wide[size - 1] = 0;
    if (!ExactAnsiN(wide, typed, (size_t)size) || !TypedPathHasDrive(typed)) {
        *boxResult = ShowError(hDlg, message);
        return false;
    }
    StripClosingBackslashes(typed);
    return true;
}

// Creates every level of typed from the top, whether or not it exists, each made with sd. The
// last level is the group's folder: existing, it goes through MakeFolder's check of its owner.
// False when that refuses it. A level that cannot be created is not reported: it shows up as
// failed copies.
static bool CreateTypedLevels(HWND hDlg, const char *typed, PSECURITY_DESCRIPTOR sd)
{
    LevelWalk walk;
    if (!LevelWalkStart(&walk, typed))
        return true;
    while (LevelWalkNext(&walk)) {
        if (!MakeFolder(hDlg, walk.Path, sd, walk.Next[0] == '\0'))
            return false;
    }
    return true;
}

// A group refused whole (see the head of this file) counts like a failed copy.
static int RefuseGroup(void)
{
    InstallErrCount++;
    return 0;
}

// Installs one group of the kind WhichRadioButton (see SaveToBatFile) with sd, the program
// group's protection (null for the criteria group).
static int InstallKind(HWND hDlg, int MyDir, int WhichRadioButton, PSECURITY_DESCRIPTOR sd)
{
    char Path[kPathSize];
    char Value[kPathSize];
    int boxResult = 0;

    switch (WhichRadioButton) {
    case IDC_PROG_DEFAULT:
        // Only this one level is created: its parent is a drive root.
        if (!MakeFolder(hDlg, kDefaultDir, sd, true))
            return RefuseGroup();
        HelpValue(Value, kDefaultDir, true);
        return InstallGroupFiles(kDefaultDir, kProgramFiles, kProgramCount, "help", Value, sd);

    case IDC_PROG_EXISTING:
        if (!TreeDirectory(hDlg, MyDir, Path) || !HelpValue(Value, Path, true))
            return RefuseGroup();
        return InstallGroupFiles(Path, kProgramFiles, kProgramCount, "help", Value, sd);

    case IDC_PROG_NEW:
        if (!TypedDirectory(hDlg, IDC_PROG_NEWPATH, kProgTypedSize,
                            "Invalid path given for\nlocation to place quillmar.exe", Path,
                            &boxResult)) {
            RefuseGroup();
            return boxResult;
        }
        // The "help" value names the rebuilt directory, with single backslashes; it is settled
        // before anything is created, so that a value that does not fit leaves no trace.
        if (!RebuildTypedPath(Value, sizeof Value, Path) || !HelpValue(Value, Value, false) ||
            !CreateTypedLevels(hDlg, Path, sd))
            return RefuseGroup();
        // The copies go to the directory as typed; the platform reads its doubled
        // backslashes as one.
        return InstallGroupFiles(Path, kProgramFiles, kProgramCount, "help", Value, sd);

    case IDC_CRIT_EXISTING:
        if (!TreeDirectory(hDlg, MyDir, Path))
            return RefuseGroup();
        return InstallGroupFiles(Path, kCriteriaFiles, kCriteriaCount, "criteria", Path, sd);

    case IDC_CRIT_NEW:
        if (!TypedDirectory(hDlg, IDC_CRIT_NEWPATH, kCritTypedSize,
                            "Invalid path given for\nlocation to place report files", Path,
                            &boxResult)) {
            RefuseGroup();
            return boxResult;
        }
        // Recorded as typed: the product finds the criteria files there.
        CreateTypedLevels(hDlg, Path, sd);
        return InstallGroupFiles(Path, kCriteriaFiles, kCriteriaCount, "criteria", Path, sd);

    default:
        return 1;
    }
}

// Installs one group. MyDir is the group's tree list (102 or 202) for the kinds that read it;
// WhichRadioButton is the checked radio button and picks the kind:
//   110 program files into c:\quillmar          109 program files into the tree's directory
//   111 program files into a typed directory    209 criteria files into the tree's directory
//   210 criteria files into a typed directory
// Returns nonzero when the group was installed; the message box's result after a refused typed
// path; 0 for a group that failed or was refused otherwise; nonzero, doing nothing, for any
// other WhichRadioButton.
// The caller judges the installation by InstallErrCount, not by this result.
int SaveToBatFile(HWND hDlg, int MyDir, int WhichRadioButton)
{
    PSECURITY_DESCRIPTOR sd = NULL;
    bool program = WhichRadioButton == IDC_PROG_DEFAULT || WhichRadioButton == IDC_PROG_EXISTING ||
                   WhichRadioButton == IDC_PROG_NEW;
    // Without its protection the program group is not installed at all.
    if (program && (sd = NewProtection()) == NULL)
        return RefuseGroup();
    int result = InstallKind(hDlg, MyDir, WhichRadioButton, sd);
    LocalFree(sd);
    return result;
}
