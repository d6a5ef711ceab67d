// The scene of an end-to-end run of the built install.exe: a staged source folder, the state
// of the rig's drives before and after a run, the settings file as lines, and one run of the
// installer from start to Cancel with every message box it showed.
//
// Paths here are Windows paths in UTF-8 and may be longer than MAX_PATH or hold names outside
// the ANSI code page: the helpers go through the wide functions with the \\?\ prefix. The
// dialog itself is driven with ANSI text (rig::InstallerProcess), as the program sees it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "remote.h"

namespace scene {

// ---- files of any name and length (UTF-8 Windows paths) ----

std::wstring Wide(const std::string &utf8);
std::string Utf8(const std::wstring &w);
std::string Ansi(const std::string &utf8);   // the same text in the ANSI code page
bool Exists(const std::string &path);
bool IsDir(const std::string &path);
void MakeDirs(const std::string &path);
void Write(const std::string &path, const std::string &bytes);
std::string Read(const std::string &path);
void RemoveTree(const std::string &path);
void EmptyFolder(const std::string &path);

// Creates `count` empty files f00000.txt, f00001.txt... in folder (which must exist). Under
// Wine each creation in a big folder costs time that grows with the folder (20,000 take about
// two minutes), so the files are made by the Unix shell behind the drive when there is one.
void MakeManyFiles(const std::string &folder, int count);
// A folder and all it holds, through the Unix shell when there is one.
void RemoveBigTree(const std::string &folder);

// ---- the product's files ----

constexpr const char *kSource = "C:\\qtest\\src";
constexpr const char *kEditorDir = "T:\\tools";
constexpr const char *kEditor = "qedit.exe";

// The bytes of each staged product file: distinct per name, binary, with CR LF and NUL inside,
// so that a copy is checked byte for byte. install.exe is the built program itself.
const std::string &ProductBytes(const std::string &name);
bool IsProductFile(const std::string &name);

// Stages a source folder: the built program under exeName and every product file but those
// in `missing`. Also stages the editor T:\tools\qedit.exe.
void StageSource(const std::string &folder = kSource, const std::string &exeName = "install.exe",
                 const std::set<std::string> &missing = {});

// ---- what the drives hold ----

// Every entry of R:, T:, C:\qtest and C:\quillmar, and the top level of C:, with the bytes of
// each file. Folders in `sealed` are listed but not entered.
struct Snapshot {
    std::map<std::string, std::string> files;
    std::set<std::string> dirs;
};
Snapshot Take(const std::set<std::string> &sealed = {});

// What changed between two snapshots, sorted, one line each:
//   "+ T:\a\"                    a folder created
//   "+ T:\a\quillmar.exe"        a file created with the bytes of the product file of its name
//   "+ T:\a\x (12 bytes)"        a file created with other bytes
//   "- C:\qtest\src\userhelp.hlp" an entry gone
//   "* T:\d\quillmar.exe"        a file overwritten with the bytes of the product file
//   "* T:\d\x (12 bytes)"        a file overwritten with other bytes
std::vector<std::string> Changes(const Snapshot &before, const Snapshot &after);

// The lines of the three files of a program group, the two of a criteria group, in dir.
std::vector<std::string> ProgramCopies(const std::string &dir);
std::vector<std::string> CriteriaCopies(const std::string &dir);
// The four source files that a complete installation removes.
std::vector<std::string> SourceRemoved(const std::string &folder = kSource);
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b);

// ---- the settings file ----

// QUILLMAR.INI as lines. Every line must end in CR LF; a line that does not is given with a
// note. A "help" line that lacks only the closing blank of the matching line in `expected`
// is given as expected: Wine may trim that blank when it rewrites the file for a later key.
std::vector<std::string> SettingsLines(const std::vector<std::string> &expected);

// ---- the usual values ----

// QUILLMAR.INI lines of the usual run: the editor T:\tools\qedit.exe, the default program
// folder, the source folder C:\qtest\src.
constexpr const char *kSection = "[QUILLMAR]";
constexpr const char *kWprocess = "wprocess=T:\\tools\\qedit.exe";
constexpr const char *kDefaultHelp = "help=c:\\quillmar\\userhelp.hlp ";
constexpr const char *kInstall = "install=C:\\qtest\\src\\userhelp.hlp";
// The default folder created, and the program files in it.
std::vector<std::string> DefaultCopies();

// ---- one run ----

const char *const kComplete = "Quillmar|Installation complete";
const char *const kUnsuccessful =
    "Quillmar|Installation unsuccessful.\n\nOne or more file/s not copied\nto their destination.";
const char *const kProgRefused = "ERROR|Invalid path given for\nlocation to place quillmar.exe";
const char *const kCritRefused = "ERROR|Invalid path given for\nlocation to place report files";
const char *const kSourceUnusable =
    "ERROR|Nothing was installed: the name of the folder that holds the installation files cannot be used on "
    "this system.\n\nCopy the files to a folder such as C:\\quillmar-setup and start install.exe there.";

// The running installer and every box it showed, as "caption|text" ("... [owner: other]"
// when the box was not owned by the installer's dialog).
struct Session {
    rig::InstallerProcess p;
    std::vector<std::string> boxes;
    // Presses OK and answers the `expected` boxes that it is to show, and any that follow.
    void Ok(size_t expected);
    // Records boxes that another gesture showed.
    void Collect(size_t expected);
    // Picks T:\tools\qedit.exe (or the given file) in the editor browser.
    void PickEditor(const std::string &dir = kEditorDir, const std::string &file = kEditor);
};

struct Outcome {
    bool started = false;
    std::vector<std::string> boxes;
    std::vector<std::string> changes;
    int exitStatus = -1;
};

// Snapshot, start exe in folder, act, Cancel, wait for the exit, snapshot again.
Outcome Run(const std::function<void(Session &)> &act, const std::string &exe = "",
            const std::string &folder = kSource, const std::set<std::string> &sealed = {});

// One installation as a user makes it, and what it must leave. Check() empties the drives,
// stages the source folder (and `stage`), starts the program, picks the editor file, lets
// `choose` set the destinations (it may press OK itself and retry), presses OK for the boxes
// still expected, leaves through Cancel, and compares boxes, QUILLMAR.INI and the changes on
// the drives, printing expected and actual.
struct Case {
    const char *name;
    std::function<void()> stage;
    std::function<void(Session &)> choose;
    std::vector<std::string> boxes;
    std::vector<std::string> settings;
    std::vector<std::string> changes;
    std::string exeName = "install.exe";
    std::set<std::string> missing = {};
    std::string source = kSource;
    std::string exe = "";                    // the program to start; source\exeName when empty
    std::string editorDir = kEditorDir;
    std::string editorFile = kEditor;
    std::set<std::string> sealed = {};       // folders not entered by the snapshots
};
void Check(const Case &c);

// Lines as one block, one per line, for comparisons that print expected and actual whole.
std::string Block(const std::vector<std::string> &lines);
std::vector<std::string> Sorted(std::vector<std::string> lines);

// Makes path (its folder must exist) a Unix link to a device, through the Unix shell:
// "/dev/null", a file that accepts every copy and keeps nothing; "/dev/full", a file on a full
// disk. The link points to a node of that device made for the test inside the rig's prefix,
// never to the machine's own. Scrub removes the link and the node.
bool LinkToDevice(const std::string &path, const std::string &device);

// Makes path (its folder must exist) a Unix link to the file or folder target, another
// Windows path: a name that another user planted. Scrub removes it, never what it points to.
bool LinkTo(const std::string &path, const std::string &target);

// Makes folder (which must exist, empty) a disk of its own of `kib` KiB that really fills up: a
// small tmpfs, mounted through the Unix shell (the tests run as root). Scrub unmounts it.
bool SmallDisk(const std::string &folder, int kib);

// The Unix mode of each path as octal digits ("750"), "?" where it cannot be read: Wine makes
// a descriptor given to a folder or file into its mode. ChangeUnix runs a command such as
// "chmod 777" or "chown 4321" on paths.
std::vector<std::string> UnixModes(const std::vector<std::string> &paths);
bool ChangeUnix(const std::string &command, const std::vector<std::string> &paths);
// Whether a mode lets other users write (its last digit has 2). Wine gives the group digit the
// rights of entries whose SIDs the running token holds (Administrators among them), and the
// last digit what is left for everyone else.
bool OthersMayWrite(const std::string &mode);

// Empties the rig's drives (names of any length or code page, links to devices), removes
// C:\quillmar, the settings file and the test's device nodes: before and after every test.
void Scrub();

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { Scrub(); }
    void TearDown() override { Scrub(); }
};

}  // namespace scene
