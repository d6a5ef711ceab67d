// The installation of one group's files, whole or not at all. Most people who run the installer
// are upgrading: a failure halfway must leave the older installation as it was, not a mix of
// two releases or a cut-off program.
//
// 1. Each source is held open, so that nothing can rename or delete it through another name
//    while its group is replaced; a destination that is the source itself under another name
//    (another case, a closing dot, a link, a hard link) fails.
// 2. Each file is copied beside its destination under a new temporary name ("~qm....tmp", made
//    by the copy itself, never an existing file opened through its name), freed of the
//    read-only attribute that a copy from a CD brings, protected (program group) and read back.
// 3. Only when every copy is right, and no older file is in use, does each copy replace its
//    destination by a rename in the same folder. The older file is first kept aside under a
//    temporary name: a second name of it (a hard link), or itself renamed where the file
//    system has no hard links and for a link, which Windows renames as itself. When a
//    replacement fails, the files already replaced get their older files back.
// 4. The temporary names that are left, this OK's and those of an earlier OK that was cut off,
//    are removed.
//
// A name at a destination may be a link that another user planted. It is never written
// through, and never deleted or renamed itself: the platform may delete or move the file that
// a link points to when asked to act on the link (Wine does, Windows does not), but a rename of
// another file onto a name always replaces whatever the name was.
#include "vendrel.h"

#include "pathcore.h"
#include "protect.h"
#include "replace.h"
#include "strbuf.h"

#include <string.h>

// Error codes of the installer's own, with the customer bit (29) of the system's codes.
constexpr DWORD kSameAsSource = 0x20000001;   // the destination is the source file itself
constexpr DWORD kCopyDiffers = 0x20000002;    // the copy read back is not its source

// A reader (an antivirus, an indexer) may hold a file for a moment: a file is taken to be in
// use only once it has stayed so for about a second.
constexpr int kRetries = 10;
constexpr DWORD kRetryPause = 100;

struct GroupFile {
    const char *Name;
    char Source[kPathSize];
    char Dest[kPathSize];
    char Temp[kPathSize];    // the new copy while it waits beside Dest; "" once gone
    char Aside[kPathSize];   // the older file kept aside; "" when there is none
    HANDLE Held;             // the source, open against renames and deletions
    DWORD OlderAttributes;   // the older file's, INVALID_FILE_ATTRIBUTES when there is none
    bool Linked;             // Aside is a second name of the older file, not the file renamed
    bool Replaced;
};
static GroupFile Files[kProductFiles];
static const char *gGroupDir;     // the folder of the group being installed
static unsigned gTempNumber;      // the last number tried in a temporary name
// An older file that could not be put back stays under its temporary name: from then on no
// temporary name is removed in this OK.
static bool gKeepTemporary;

// The files that failed in the current OK.
struct FailedFile {
    char Dir[kPathSize];
    const char *Name;
    DWORD Error;
};
static FailedFile FailedFiles[kProductFiles];
static int NumFailedFiles;

void StartInstallation(void)
{
    NumFailedFiles = 0;
    gKeepTemporary = false;
}

// Records that dir\name failed with error and raises InstallErrCount. Returns false.
static bool Fail(const char *dir, const char *name, DWORD error)
{
    InstallErrCount++;
    if (NumFailedFiles >= 0 && NumFailedFiles < kProductFiles) {
        FailedFile &f = FailedFiles[NumFailedFiles++];
        StrCopy(f.Dir, dir);
        f.Name = name;
        f.Error = error;
    }
    return false;
}

static bool Failed(const GroupFile &f, DWORD error)
{
    return Fail(gGroupDir, f.Name, error);
}

static bool InUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// attrs with or without the read-only one, as SetFileAttributesA takes them: only the attributes
// that it sets (what a copy from a CD brings, archive, hidden...), FILE_ATTRIBUTE_NORMAL for none.
static DWORD ReadOnly(DWORD attrs, bool on)
{
    attrs &= FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY |
             FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    attrs |= on ? FILE_ATTRIBUTE_READONLY : 0;
    return attrs ? attrs : FILE_ATTRIBUTE_NORMAL;
}

// Takes the read-only attribute off path when the file system refused to replace it for that.
// Not for a link, whose attribute is not the file's own (Windows tells a link; Wine shows the
// attributes of what it points to, and refuses nothing for read-only, so this is not reached).
static void AllowReplacing(const char *path)
{
    DWORD attrs = GetFileAttributesA(path);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) &&
        !(attrs & FILE_ATTRIBUTE_REPARSE_POINT))
        SetFileAttributesA(path, ReadOnly(attrs, false));
}

// Renames from onto to, replacing what to names (a link itself, never what it points to),
// written through to the disk before the next step. Tried for about a second while to is in
// use. False, with the error in GetLastError, when it cannot be done.
static bool Rename(const char *from, const char *to)
{
    for (int tries = 0;; tries++) {
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if (tries == kRetries || !InUseError(error)) {
            SetLastError(error);
            return false;
        }
        if (error == ERROR_ACCESS_DENIED)
            AllowReplacing(to);
        Sleep(kRetryPause);
    }
}

static const char kHex[] = "0123456789ABCDEF";

// True for the temporary names that AtFreshName gives: "~qm", four upper-case hex digits, ".tmp".
static bool IsTemporaryName(const char *name)
{
    if (strlen(name) != 11 || strncmp(name, "~qm", 3) != 0 || strcmp(name + 7, ".tmp") != 0)
        return false;
    for (int i = 3; i < 7; i++) {
        if (!strchr(kHex, name[i]))
            return false;
    }
    return true;
}

enum FreshStep { kEmptyHere, kCopyHere, kLinkHere, kMoveHere };

// out := a temporary name in the group's folder that no entry has, "~qm", four hex digits and
// ".tmp", made by step: an empty file, a copy of `from`, a second name of it, or it renamed.
// Each step fails rather than use a name that exists, so out never names anything but what
// the step made. False, with the error in GetLastError, when it fails; out then names a file
// only where a copy that failed may have left a part of itself.
static bool AtFreshName(FreshStep step, const char *from, char (&out)[kPathSize])
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    for (int tries = 0; tries < 64; tries++) {
        gTempNumber++;
        char name[] = "~qm0000.tmp";
        for (int i = 0; i < 4; i++)
            name[3 + i] = kHex[(gTempNumber >> (12 - 4 * i)) & 15];
        if (!ComposeName(out, gGroupDir, name))
            break;
        BOOL made;
        if (step == kEmptyHere) {
            HANDLE h = CreateFileA(out, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
            made = h != INVALID_HANDLE_VALUE && CloseHandle(h);
        } else {
            made = step == kCopyHere   ? CopyFileA(from, out, TRUE)
                   : step == kLinkHere ? CreateHardLinkA(out, from, NULL)
                                       : MoveFileExA(from, out, MOVEFILE_WRITE_THROUGH);
        }
        if (made)
            return true;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            if (step != kCopyHere)
                out[0] = '\0';
            return false;
        }
    }
    out[0] = '\0';   // the error stays GetLastError's
    return false;
}

// Removes the entry path of the group's folder, which may be a link: an empty file of our own
// is renamed over it, then deleted. (Only where no empty file can be made, on a full disk, is
// it deleted by its name.)
static void RemoveName(const char *path)
{
    char fresh[kPathSize];
    if (!AtFreshName(kEmptyHere, NULL, fresh))
        DeleteFileA(path);
    else if (Rename(fresh, path))
        DeleteFileA(path);
    else
        DeleteFileA(fresh);
}

// Removes the temporary names that an earlier OK left in the group's folder (a power cut), so
// that they take no room and stay no longer. They are gathered first: removing one makes another.
static void RemoveLeftovers(void)
{
    static char leftovers[16][kPathSize];
    char pattern[kPathSize];
    WIN32_FIND_DATAA found;
    int count = 0;
    if (gKeepTemporary || !ComposeName(pattern, gGroupDir, "~qm*.tmp"))
        return;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        // The names that AtFreshName gives, not a longer one of the user's.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTemporaryName(found.cFileName) &&
            ComposeName(leftovers[count], gGroupDir, found.cFileName))
            count++;
    } while (count < 16 && FindNextFileA(find, &found));
    FindClose(find);
    for (int i = 0; i < count; i++)
        RemoveName(leftovers[i]);
}

// True when path names the file that the handle held has open, by whatever name.
static bool SameFile(HANDLE held, const char *path)
{
    HANDLE other = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = GetFileInformationByHandle(held, &a) && GetFileInformationByHandle(other, &b) &&
                a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
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

// Steps 1 and 2 for one file. False when it failed.
static bool CopyBeside(GroupFile &f, PSECURITY_DESCRIPTOR sd)
{
    // An unknown source folder (gPath2 empty) would take "\name" from the root of the current
    // drive, which a complete installation then deletes.
    if (gPath2[0] == '\0' || !ComposeName(f.Source, gPath2, f.Name))
        return Fail(gPath2, f.Name, ERROR_FILENAME_EXCED_RANGE);
    if (!ComposeName(f.Dest, gGroupDir, f.Name))
        return Failed(f, ERROR_FILENAME_EXCED_RANGE);
    f.Held = CreateFileA(f.Source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (f.Held == INVALID_HANDLE_VALUE)
        return Fail(gPath2, f.Name, GetLastError());
    if (SameFile(f.Held, f.Dest))
        return Failed(f, kSameAsSource);
    f.OlderAttributes = GetFileAttributesA(f.Dest);
    if (!AtFreshName(kCopyHere, f.Source, f.Temp)) {
        // A copy cut off by a full disk may leave a part of itself (Wine's does): it goes at
        // once, so that the room it took is there for the group's other copies.
        DWORD error = GetLastError();
        if (f.Temp[0] != '\0')
            RemoveName(f.Temp);
        f.Temp[0] = '\0';
        return Failed(f, error);
    }
    DWORD attrs = GetFileAttributesA(f.Temp);
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) &&
        !SetFileAttributesA(f.Temp, ReadOnly(attrs, false)))
        return Failed(f, GetLastError());
    if (sd)
        Protect(f.Temp, sd);
    return SameBytes(f.Source, f.Temp) || Failed(f, kCopyDiffers);
}

// 0 when the older file at f.Dest (if any) can be replaced now; else the error that says why
// not: in use, or a folder in the file's place.
static DWORD Blocked(const GroupFile &f)
{
    DWORD attrs = f.OlderAttributes;
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;   // nothing there, or a link, which is replaced whatever it points to
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        return ERROR_ACCESS_DENIED;
    // What Windows refuses to a running program's file and to a file open without sharing.
    HANDLE h = CreateFileA(f.Dest, DELETE | FILE_WRITE_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            AllowReplacing(f.Dest);
        return error;
    }
    CloseHandle(h);
    return 0;
}

// Fails every older file of the group that stays in use, or is a folder, for about a second.
static bool NoneBlocked(size_t count)
{
    DWORD error[kProductFiles] = {};
    for (int tries = 0;; tries++) {
        bool blocked = false;
        for (size_t i = 0; i < count; i++)
            blocked |= (error[i] = Blocked(Files[i])) != 0;
        if (!blocked)
            return true;
        if (tries == kRetries)
            break;
        Sleep(kRetryPause);
    }
    for (size_t i = 0; i < count; i++) {
        if (error[i])
            Failed(Files[i], error[i]);
    }
    return false;
}

// Step 3 for one file: the older file aside, the copy in its place. False when it failed.
static bool PutInPlace(GroupFile &f)
{
    if (f.OlderAttributes != INVALID_FILE_ATTRIBUTES) {
        // A link is renamed aside, which Windows does to the link itself. So is a file where
        // the file system has no hard links (FAT) and so no links either; but not after any
        // other failure, since Wine would rename what a link that it cannot tell points to.
        bool link = (f.OlderAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        f.Linked = !link && AtFreshName(kLinkHere, f.Dest, f.Aside);
        DWORD error = GetLastError();
        if (!f.Linked && !((link || error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) &&
                           AtFreshName(kMoveHere, f.Dest, f.Aside)))
            return Failed(f, GetLastError());
    }
    if (!Rename(f.Temp, f.Dest))
        return Failed(f, GetLastError());
    f.Temp[0] = '\0';
    f.Replaced = true;
    return true;
}

// Gives f.Dest back what it held before PutInPlace.
static void PutBack(GroupFile &f)
{
    if (f.Aside[0] != '\0' && (f.Replaced || !f.Linked)) {
        if (!Rename(f.Aside, f.Dest)) {
            gKeepTemporary = true;   // the older file now has this name alone
            return;
        }
        f.Aside[0] = '\0';
    } else if (f.Replaced) {
        RemoveName(f.Dest);   // a file that the group added
    }
}

// Gives the older file at f.Dest back the read-only attribute that making it replaceable took.
static void RestoreReadOnly(const GroupFile &f)
{
    DWORD attrs = GetFileAttributesA(f.Dest);
    if (f.OlderAttributes != INVALID_FILE_ATTRIBUTES && (f.OlderAttributes & FILE_ATTRIBUTE_READONLY) &&
        attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(f.Dest, ReadOnly(attrs, true));
}

bool InstallFiles(const char *destDir, const char *const *names, size_t count, PSECURITY_DESCRIPTOR sd)
{
    int errorsBefore = InstallErrCount;
    gGroupDir = destDir;
    if (count > kProductFiles)
        count = kProductFiles;
    RemoveLeftovers();
    for (size_t i = 0; i < count; i++) {
        GroupFile &f = Files[i];
        memset(&f, 0, sizeof f);
        f.Name = names[i];
        f.Held = INVALID_HANDLE_VALUE;
        f.OlderAttributes = INVALID_FILE_ATTRIBUTES;
        CopyBeside(f, sd);   // a failed copy does not stop the others: each is reported
    }
    size_t placed = 0;
    if (InstallErrCount == errorsBefore && NoneBlocked(count)) {
        while (placed < count && PutInPlace(Files[placed]))
            placed++;
    }
    bool whole = InstallErrCount == errorsBefore;
    for (size_t i = count; i-- > 0;) {
        GroupFile &f = Files[i];
        if (!whole) {
            if (i <= placed)
                PutBack(f);
            RestoreReadOnly(f);
        }
        if (f.Temp[0] != '\0')
            RemoveName(f.Temp);
        if (f.Aside[0] != '\0' && !gKeepTemporary)
            RemoveName(f.Aside);
        if (f.Held != INVALID_HANDLE_VALUE)
            CloseHandle(f.Held);
    }
    return whole;
}

// Appends the decimal digits of n.
static void AppendNumber(char *text, size_t size, DWORD n)
{
    char digits[12];
    char *p = digits + sizeof digits - 1;
    *p = '\0';
    do {
        *--p = (char)('0' + n % 10);
        n /= 10;
    } while (n != 0);
    StrAppendN(text, size, digits);
}

void FailureLines(char *text, size_t size)
{
    for (int i = 0; i < NumFailedFiles && i < kProductFiles; i++) {
        const FailedFile &f = FailedFiles[i];
        StrAppendN(text, size, i == 0 ? "\n\n" : "\n");
        char path[kPathSize + 16];
        if (!ComposeName(path, f.Dir, f.Name))
            StrCopy(path, f.Name);
        // A message box is as wide as its widest word: a long path goes on over lines, each
        // ending after a backslash where it can.
        int column = 0;
        for (const char *p = path; *p; p++) {
            StrAppendCharN(text, size, *p);
            column++;
            if (p[1] && ((column >= 40 && *p == '\\') || column >= 64)) {
                StrAppendCharN(text, size, '\n');
                column = 0;
            }
        }
        StrAppendN(text, size, ": ");
        if (f.Error == kSameAsSource) {
            StrAppendN(text, size, "this is the file being installed itself: pick another folder.");
            continue;
        }
        if (f.Error == kCopyDiffers) {
            StrAppendN(text, size, "the copy read back is not the same as its source.");
            continue;
        }
        // The system's own words, in the user's language, without the closing line break.
        char words[256];
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, f.Error, 0,
                                 words, sizeof words, NULL);
        while (n > 0 && (words[n - 1] == '\r' || words[n - 1] == '\n' || words[n - 1] == ' '))
            n--;
        words[n] = '\0';
        if (n == 0) {
            StrAppendN(text, size, "error ");
            AppendNumber(text, size, f.Error);
        }
        StrAppendN(text, size, words);
        if (f.Error == ERROR_SHARING_VIOLATION || f.Error == ERROR_LOCK_VIOLATION) {
            StrAppendCharN(text, size, ' ');
            StrAppendN(text, size, f.Name);
            StrAppendN(text, size, " is in use: close Quillmar, then press OK again.");
        } else if ((f.Error == ERROR_DISK_FULL || f.Error == ERROR_HANDLE_DISK_FULL) && f.Dir[1] == ':') {
            StrAppendN(text, size, " Not enough room on ");
            StrAppendCharN(text, size, f.Dir[0]);
            StrAppendN(text, size, ": for the new files.");
        }
    }
}
