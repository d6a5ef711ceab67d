/* Shared declarations of the installer: the records, globals and operations that more than
 * one subsystem uses. Control identifiers are in vendrel0.h. */
#ifndef VENDREL_H
#define VENDREL_H

#include <windows.h>
#include <stdint.h>

#include "vendrel0.h"

constexpr int kAppNameSize = 10;      // the application name: nine characters and a NUL

/* ---- Application shell ---- */

typedef struct tagSETUPDATA {
    char szAppName[kAppNameSize];
} SETUPDATA;

extern HINSTANCE hInst;
extern SETUPDATA SetUpData;
extern HWND hWndMain;
extern HWND hQryDlgBox;       // the installer dialog; null before it initialises and after it closed itself
extern DLGPROC lpModelessProc;
extern HGLOBAL hdlgr;         // the loaded template resource, only while InitMainDlg runs

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpszCmdLine, int cmdShow);
void InitVendrel(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpszCmdLine, int cmdShow);
void InitVendrelFirst(HINSTANCE hInstance);
void InitVendrelAdded(HINSTANCE hPrevInstance);
void InitVendrelEvery(HINSTANCE hInstance, int cmdShow);
void CloseVendrel(void);
int RunVendrel(void);      // the message loop; returns the quit message's value
LRESULT CALLBACK VendrelWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

void InitMainDlg(HWND hWnd);
// The message box of an internal error or a refused input: text, caption "ERROR", its OK
// button alone, owned by owner. Returns the box's result.
int ShowError(HWND owner, const char *text);
INT_PTR CALLBACK MainDlgBoxProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- Text from the platform ---- */

// dst := wide in the ANSI code page, character for character: every name that the program
// reads from the platform goes through this one rule, so that a character outside the code
// page is refused, never replaced by a look-alike (a plain A for an A with a macron) or a '?'
// that would name another file. False, with dst empty, when a character has no exact
// equivalent or the text does not fit size bytes.
bool ExactAnsiN(const WCHAR *wide, char *dst, size_t size);
template <size_t N> inline bool ExactAnsi(const WCHAR *wide, char (&dst)[N]) { return ExactAnsiN(wide, dst, N); }

/* ---- Location browser ---- */

// DirBoxInfo and the three tree arrays are in vendrel0.h, with the buffer sizes.
extern DirBoxInfo *LbStructPtr;              // FillDirectoryBox's cursor

constexpr int kDriveListSize = 27;   // room for all 26 letters and a NUL
extern char FloppyDrives[kDriveListSize];   // removable drive letters
extern char HardDrives[kDriveListSize];     // every other drive letter
extern char AllDrives[kDriveListSize];      // FloppyDrives then HardDrives
extern int NumDrives;
extern char gPath2[kPathSize];  // the source folder: the current directory when the dialog started

void FindDrives(char *fdrives, char *hdrives);
void FillDrivesBox(HWND hDlg, int DriveBoxNum);
int FillDirectoryBox(HWND hDlg, int DriveBoxNum, int DirBoxNum);
void PartialFillDirBox(HWND hDlg, int DirBoxNum);
char *GetThePath(int ListBoxNum, HWND hDlg);
void FillFileBox(HWND hDlg, int DirBoxNum, int FileBoxNum);
void ClearFileBox(HWND hDlg, int FileBoxNum);
// The tip that shows a line cut by its list whole: made with the dialog, its six lists then
// watched for it. HideListTip hides it when it lies over a line of list (any list: null), at
// every refill of that list and when the dialog moves.
void InitListTips(HWND hDlg);
void HideListTip(HWND list);

/* ---- Installation ---- */

// The most characters that each typed-path field holds: what the installation reads of it, and
// no more, so that what the field shows is what is installed.
constexpr int kProgTypedChars = kPathSize - 1;
constexpr int kCritTypedChars = 79;

extern int InstallErrCount;     // failed copies and settings writes (and refused groups) of the current OK
extern int NumSettingsMade;     // the locations it recorded in QUILLMAR.INI, read back; 0 at its start

// The working half of the dialog procedure: browser set-up at WM_INITDIALOG and every
// WM_COMMAND but Cancel. Each returns the dialog procedure's result.
void InitInstallerControls(HWND hDlg);
INT_PTR InstallerCommand(HWND hDlg, int id, int code);
INT_PTR OkCommand(HWND hDlg);
int SaveToBatFile(HWND hDlg, int MyDir, int WhichRadioButton);
// Forgets the failed files of the last OK, at the start of the next (see replace.h).
void StartInstallation(void);

// The product's files in the source folder, each spelled here alone: the program group's
// quillmar.exe, install.exe and userhelp.hlp, then the criteria group's two.
enum { kQuillmarExe, kInstallExe, kUserHelp, kCriteriaInc, kCriteriaExc, kProductFiles };
extern const char *const ProductFiles[kProductFiles];

#endif
