// The installation of one destination group: settle its directory (the default one, the one
// selected in its tree list, or a typed one created level by level), copy the group's files
// there from the source folder gPath2, read each copy back, and only then record the directory
// in the settings file. This is the only code of the installer that creates directories or
// copies files.
//
// A group's key ("help" or "criteria") is the product's only record of where that group went.
// It is written once every file of the group is at its destination in this OK: a group whose
// copies fail leaves the key as it was, so that a second OK to a folder that the files never
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
#include "settings.h"
#include "strbuf.h"

#include <string.h>

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

// The copies of the current OK, each read back by ConfirmCopies before its group is recorded
// and any source file is deleted: the copy call's success is not enough, since on Windows a
// file can be gone a moment after it was written (an antivirus that quarantines a new program,
// a filter driver, a destination that drops what it accepted).
struct CopyMade {
    const char *Name;          // the product file's name, in gPath2
    char Dest[kPathSize];      // where it was copied, as CopyFileA was given it
};
constexpr int kMaxCopies = kProductFiles;
static CopyMade CopiesMade[kMaxCopies];
int NumCopiesMade;

// Copies gPath2\name onto destDir\name, overwriting an existing file. A copy that fails, or
// whose source or destination name does not fit a path buffer, raises InstallErrCount and
// does not stop the ones that follow. An unknown source folder (gPath2 empty, when the
// current directory could not be read exactly at start-up) counts as a failure too: "\name" would
// take a file from the root of the current drive, which a complete installation then deletes.
// A copy made is recorded for ConfirmCopies; one that finds no room in the record (only a
// caller that never starts an OK can make more) counts as failed, since it cannot be checked.
// A copy made gets protection sd, when given, before it is read back.
// Returns CopyFileA's result, FALSE for a copy not attempted.
static BOOL CopyOneFile(const char *destDir, const char *name, PSECURITY_DESCRIPTOR sd)
{
    char Path[kPathSize];
    char DestPath[kPathSize];

    if (gPath2[0] == '\0' || !ComposeName(Path, gPath2, name) ||
        !ComposeName(DestPath, destDir, name)) {
        InstallErrCount++;
        return FALSE;
    }
    BOOL copied = CopyFileA(Path, DestPath, FALSE);
    if (!copied || NumCopiesMade < 0 || NumCopiesMade >= kMaxCopies) {
        InstallErrCount++;
        return copied;
    }
    if (sd)
        Protect(DestPath, sd);
    CopyMade &made = CopiesMade[NumCopiesMade++];
    made.Name = name;
    StrCopy(made.Dest, DestPath);
    return copied;
}

// True when both files can be read and hold the same bytes. They are read side by side, so a
// difference of size shows as reads of different lengths. Others may read, write or delete the
// files meanwhile: an antivirus that scans a new file keeps it open.
static bool SameBytes(const char *a, const char *b)
{
    static char buf[2][4096];
    const char *const paths[2] = {a, b};
    HANDLE file[2];
    DWORD got[2] = {0, 0};
    for (int i = 0; i < 2; i++)
        file[i] = CreateFileA(paths[i], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
    bool same = file[0] != INVALID_HANDLE_VALUE && file[1] != INVALID_HANDLE_VALUE;
    do {
        for (int i = 0; i < 2 && same; i++)
            same = ReadFile(file[i], buf[i], sizeof buf[i], &got[i], NULL) != FALSE;
        same = same && got[0] == got[1] && memcmp(buf[0], buf[1], got[0]) == 0;
    } while (same && got[0] > 0);
    for (HANDLE f : file) {
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    return same;
}

// Checks the copies of the current OK from record `first` on at their destinations: a file
// that is missing there or does not hold exactly its source's bytes raises InstallErrCount
// like a failed copy.
static void ConfirmCopies(int first)
{
    char Path[kPathSize];
    for (int i = first < 0 ? 0 : first; i < NumCopiesMade && i < kMaxCopies; i++) {
        const CopyMade &made = CopiesMade[i];
        if (!ComposeName(Path, gPath2, made.Name) || !SameBytes(Path, made.Dest))
            InstallErrCount++;
    }
}

// Copies the group's `count` files in their order into destDir and reads them back; then, if
// every one of them is there, records key := value. Returns the result of the last copy.
static BOOL InstallGroupFiles(const char *destDir, const char *const *names, size_t count, const char *key,
                              const char *value, PSECURITY_DESCRIPTOR sd)
{
    int errorsBefore = InstallErrCount;
    int firstCopy = NumCopiesMade;
    BOOL last = FALSE;
    for (size_t i = 0; i < count; i++)
        last = CopyOneFile(destDir, names[i], sd);
    ConfirmCopies(firstCopy);
    if (InstallErrCount == errorsBefore)
        WriteInstallSetting(key, value);
    return last;
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
// Returns the result of the last copy; the message box's result after a refused typed path;
// 0 for a group refused otherwise; nonzero, doing nothing, for any other WhichRadioButton.
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
