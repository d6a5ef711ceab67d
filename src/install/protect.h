// The protection of the program group's folders and files: full control for SYSTEM and
// Administrators, read and execute for Users, inherited by what a folder holds and protected
// from its parent's entries. The program runs elevated from there, so no ordinary user may
// change it.
#ifndef PROTECT_H
#define PROTECT_H

#include <windows.h>

// The protection as a new descriptor, to be freed with LocalFree; null when it cannot be made.
PSECURITY_DESCRIPTOR NewProtection(void);

// Gives the existing file or folder path the protection sd, its parent's entries left out.
// Not reported when it fails (a file system without permissions).
void Protect(const char *path, PSECURITY_DESCRIPTOR sd);

// Makes folder dir with descriptor sd in the creating call (null: the parent's entries, as
// inherited). The group's own folder (groupFolder), when it exists already and sd is given, is
// checked: owned by Administrators, SYSTEM or the account that runs the installer, it gets sd,
// and what it holds stays; owned by any other account, it is refused with a message naming it
// (owned by the dialog) and the result is false. A folder above the group's stays as it is. A
// folder that cannot be made is not reported: it shows up as failed copies.
bool MakeFolder(HWND hDlg, const char *dir, PSECURITY_DESCRIPTOR sd, bool groupFolder);

#endif
