// The program group's protection (see protect.h): one descriptor, in one place.
#include "protect.h"

#include <aclapi.h>
#include <sddl.h>

#include "strbuf.h"
#include "vendrel.h"

// P: protected from the parent's entries; OICI: inherited by the files and folders inside;
// 0x1200a9: read & execute (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE).
static const char kProtection[] = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

PSECURITY_DESCRIPTOR NewProtection(void)
{
    PSECURITY_DESCRIPTOR sd = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kProtection, SDDL_REVISION_1, &sd, NULL))
        return NULL;
    return sd;
}

void Protect(const char *path, PSECURITY_DESCRIPTOR sd)
{
    BOOL present = FALSE;
    BOOL defaulted;
    PACL dacl = NULL;
    if (GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) && present)
        SetNamedSecurityInfoA((LPSTR)path, SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL, NULL, dacl,
                              NULL);
}

// True when sid is the account that runs the installer.
static bool IsRunningAccount(PSID sid)
{
    // The account's SID, with room for its longest form.
    union {
        TOKEN_USER user;
        BYTE room[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } me;
    DWORD got;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    bool same = GetTokenInformation(token, TokenUser, &me, sizeof me, &got) && EqualSid(sid, me.user.User.Sid);
    CloseHandle(token);
    return same;
}

// True when the owner of path is Administrators, SYSTEM or the account that runs the
// installer. An owner that cannot be read is nobody's that the installer knows.
static bool OwnedByUs(const char *path)
{
    PSID owner;
    PSECURITY_DESCRIPTOR sd;
    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL, NULL, &sd) !=
        ERROR_SUCCESS)
        return false;
    bool ours = IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid) ||
                IsRunningAccount(owner);
    LocalFree(sd);
    return ours;
}

bool MakeFolder(HWND hDlg, const char *dir, PSECURITY_DESCRIPTOR sd, bool groupFolder)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, sd, FALSE};
    if (CreateDirectoryA(dir, sd ? &sa : NULL) || !sd || !groupFolder || GetLastError() != ERROR_ALREADY_EXISTS)
        return true;
    if (!OwnedByUs(dir)) {
        char text[kPathSize + 80];   // the longest folder and the sentence fit
        StrCopy(text, dir);
        StrAppend(text, "\n\nAnother account owns this folder: the program files were not installed.");
        ShowError(hDlg, text);
        return false;
    }
    Protect(dir, sd);
    return true;
}
