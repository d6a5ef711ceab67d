// Test support: the installer's real dialog in the test process, message boxes captured and
// answered, files and folders on the rig's drives, and the controls driven through messages.
//
// The rig's prefix has these drives, fixed before its wineserver starts:
//   C:  the prefix's drive_c, fixed
//   R:  removable, empty between tests
//   T:  fixed, the tests' scratch drive, empty between tests
// Each test leaves them as it found them: InstallerTest removes whatever a test put on R:,
// T: and under C:\qtest, and the settings file.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rig {

// ---- message boxes ----

struct ShownBox {
    std::string caption;
    std::string text;
    HWND owner;
    RECT rect;   // on the screen, as the box first showed
};

// While it lives, every message box that this thread shows is recorded and answered with its
// OK button (a WH_CBT hook sees the box activate). Boxes are in the order shown.
class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture &) = delete;
    MessageBoxCapture &operator=(const MessageBoxCapture &) = delete;

    const std::vector<ShownBox> &boxes() const;
    // "caption|text" for each box, for compact expectations.
    std::vector<std::string> lines() const;
    void clear();
};

// ---- the outcome of a failed installation ----

// The installer's own reasons, beside the system's error codes.
constexpr DWORD kSameAsSource = 0x20000001;   // the destination is the source file itself
constexpr DWORD kCopyDiffers = 0x20000002;    // the copy read back is not its source
// "Quillmar|Installation unsuccessful..." with, below it, one line per file that failed: its
// path, the system's words for error (in the prefix's language), and what the user can do
// where the error says (a file in use, a full disk).
std::string Unsuccessful(const std::vector<std::pair<std::string, DWORD>> &failed);

// ---- files and folders (Windows paths, e.g. "T:\\a\\b") ----

void MakeDirs(const std::string &path);                      // every missing level
void WriteFile(const std::string &path, const std::string &content = "x");
std::string ReadFile(const std::string &path);               // "" when missing
bool FileExists(const std::string &path);
bool DirExists(const std::string &path);
void RemoveTree(const std::string &path);                    // a folder and all it holds, or a file
void EmptyFolder(const std::string &path);                   // everything inside, not the folder
constexpr const char *kScratchC = "C:\\qtest";               // tests' own folder on C:
std::string SettingsFilePath();                              // C:\windows\QUILLMAR.INI
std::string ReadSettingsFile();                              // its bytes, "" when missing

// ---- the Unix side of a drive (a path of any name, in UTF-8) ----

// The Unix path behind a Windows path, or "" when not under Wine.
std::string UnixName(const std::string &path);
// Runs script with the Unix shell behind Wine; true once it has ended with status 0 within
// ms. Wine starts a Unix program from CreateProcess but gives no handle that can be waited
// on: the script leaves its status in a file, which is polled. Paths in the script are
// single-quoted Unix paths (no double quote, no backslash).
bool UnixShell(const std::string &script, DWORD ms);
// count folders in parent, named by a seq format from 0 on ("d%04g": d0000, d0001...): under
// Wine each creation in a big folder costs time that grows with the folder.
bool MakeNumberedDirs(const std::string &parent, const std::string &format, int count);
// A folder and all it holds, or a file, a link to a device among them.
bool RemoveUnixTree(const std::string &path);

// ---- built files ----

std::string DosPath(const std::string &unixPath);   // a path of this machine, as Wine names it
std::string ShippedInstallExe();   // the 32-bit release install.exe that ships
std::string E2eInstallExe();       // the install.exe that end-to-end tests start: the shipped one on i686
std::string PlantedDll();          // uxtheme.dll that records its loading (support/planted.cpp)

// ---- the installer in this process ----

// Starts the shell as WinMain does: the main window and the dialog built from the real
// template, with sourceDir as the current directory (it becomes gPath2). Pumps the queue and
// returns hQryDlgBox.
HWND StartInstaller(const std::string &sourceDir = "C:\\");
// Destroys the main window (and with it the dialog), pumps, and zeroes the program's globals
// so that the next StartInstaller begins as a fresh process would.
void StopInstaller();
// Dispatches every pending message by the program's own loop rule (dialog keys first).
void Pump();

std::vector<std::string> ListLines(HWND dlg, int id);        // a list box's lines
std::vector<std::string> ComboLines(HWND dlg, int id);       // a combo box's items
int ListSel(HWND dlg, int id);                               // LB_GETCURSEL
std::string ComboSelText(HWND dlg, int id);                  // "" when none

// The user's gestures, as the controls report them to the dialog:
void PickDrive(HWND dlg, int comboId, const std::string &driveText);   // select, CBN_SELCHANGE
void DropDown(HWND dlg, int comboId);                                   // CBN_DROPDOWN
void PickLine(HWND dlg, int listId, int index);                         // select, LBN_SELCHANGE
void DoubleClickLine(HWND dlg, int listId, int index);                  // select, LBN_DBLCLK
void PickFile(HWND dlg, int fileListId, const std::string &name);       // select by exact text
void SetRadio(HWND dlg, int id);                                        // click an auto radio button
void SetEditText(HWND dlg, int id, const std::string &text);
// Sends WM_COMMAND for a control and returns the dialog procedure's result.
INT_PTR Command(HWND dlg, int id, int code = 0);

// ---- the platform's door ----

// Puts hook in this test program's import slot of kernel32's function `name` (the program's own
// code is linked into it, so its calls go there too); returns what the slot held, to put back,
// or null when the program does not import it by name.
void *HookImport(const char *name, void *hook);
// The same for function `name` of another DLL, such as "user32.dll" or "advapi32.dll".
void *HookImportFrom(const char *dll, const char *name, void *hook);

// ---- listings ----

// From this call on, every FindFirstFileW handle that this test program opens (the program's
// browsers among them) is counted until FindClose closes it. False when the calls could not
// be watched.
bool WatchListings();
size_t OpenListings();   // handles opened and not closed yet

// A test with the running installer. SetUp empties the scratch drives and starts capturing
// message boxes; the test stages its folders and files, then calls Start(), which builds the
// dialog (the browsers fill at once, so stage first). TearDown stops the installer, checks
// that it left no listing of a folder open, and empties the scratch drives again.
class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND Start(const std::string &sourceDir = "C:\\");
    HWND dlg = nullptr;
    MessageBoxCapture *boxes = nullptr;
};

// Empties R:, T:, C:\qtest and removes the settings file.
void CleanScratch();

}  // namespace rig
