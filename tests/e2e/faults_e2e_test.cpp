// The built install.exe against a hostile file system and hostile typing: one case per fault.
// Each shows that no source file is lost unless every file reached its destination, that the
// user is told the right thing, that nothing lands in a folder other than the one chosen, and
// that the program carries on and leaves through Cancel with status 0.
//
// Not here: a read-only destination file. Running as root, Wine copies onto it (Windows
// refuses), so the case would prove nothing about the installer.
#include "rig.h"
#include "scene.h"
#include "vendrel0.h"

#include <stdio.h>

#include <algorithm>
#include <map>

namespace {

using scene::Case;
using scene::CriteriaCopies;
using scene::MakeDirs;
using scene::ProgramCopies;
using scene::Session;
using scene::SourceRemoved;
using scene::kDefaultHelp;
using scene::kInstall;
using scene::kSection;
using scene::kWprocess;
using scene::operator+;

const std::vector<std::string> kDefaultCopies = scene::DefaultCopies();

// "T:\" and levels of at most 40 letters, n characters in all (n > 3), ending in a letter.
std::string TypedPath(size_t n, char letter)
{
    std::string p = "T:\\";
    for (;;) {
        size_t room = n - p.size();
        if (room <= 40)
            return p + std::string(room, letter);
        p += std::string(std::min<size_t>(40, room - 2), letter) + "\\";
    }
}

// The folders "+ X\" that the levels of path add under T:\, from the top.
std::vector<std::string> LevelsOf(const std::string &path)
{
    std::vector<std::string> out;
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\')
            out.push_back("+ " + path.substr(0, i) + "\\");
    }
    return out;
}

class Faults : public scene::EndToEnd {};

// A file of the test's own that a planted link points to: after the run it must hold the
// same bytes, with the same mode.
const char *const kVictim = "C:\\qtest\\victim.txt";
const char *const kVictimBytes = "a file of the machine's, which no installation may touch";
void StageVictim()
{
    scene::Write(kVictim, kVictimBytes);
    ASSERT_TRUE(scene::ChangeUnix("chmod 644", {kVictim}));
}
void ExpectVictimUntouched()
{
    EXPECT_EQ(scene::Read(kVictim), kVictimBytes);
    EXPECT_EQ(scene::UnixModes({kVictim}), std::vector<std::string>{"644"});
}

// Faults of the destination: the copy or the folder is refused by the file system. A group is
// installed whole or not at all: the folder of a group that fails holds what it held before.
TEST_F(Faults, ADestinationThatCannotBeWrittenKeepsTheSource)
{
    ASSERT_EQ(GetDriveTypeA("Q:\\"), (UINT)DRIVE_NO_ROOT_DIR) << "Q: must not exist on the rig";
    const std::string oldBytes = "an older quillmar.exe, open in another program";
    const Case cases[] = {
        // Held open without sharing by this process, as Windows holds a running program: the
        // group is not installed (no new install.exe beside the old quillmar.exe) and the box
        // says why. Once the file is let go, a second OK installs and empties the source.
        {"a destination file held open without sharing, then let go",
         [oldBytes] {
             MakeDirs("T:\\dst");
             MakeDirs("T:\\crit");
             scene::Write("T:\\dst\\quillmar.exe", oldBytes);
         },
         [oldBytes](Session &s) {
             HANDLE held = CreateFileA("T:\\dst\\quillmar.exe", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
             ASSERT_NE(held, INVALID_HANDLE_VALUE);
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\dst"));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
             s.Ok(1);
             CloseHandle(held);
             EXPECT_EQ(scene::Read("T:\\dst\\quillmar.exe"), oldBytes) << "the held file was left as it was";
             EXPECT_FALSE(scene::Exists("T:\\dst\\install.exe")) << "no mix of two releases";
             EXPECT_TRUE(scene::Exists("C:\\qtest\\src\\quillmar.exe")) << "the source stays after the failure";
         },
         {rig::Unsuccessful({{"T:\\dst\\quillmar.exe", ERROR_SHARING_VIOLATION}}), scene::kComplete},
         // The first OK recorded the criteria alone; the second adds "help" after them.
         {kSection, kWprocess, "criteria=T:\\crit", "help=T:\\dst\\userhelp.hlp ", kInstall},
         std::vector<std::string>{"* T:\\dst\\quillmar.exe", "+ T:\\dst\\install.exe", "+ T:\\dst\\userhelp.hlp"} +
             CriteriaCopies("T:\\crit") + SourceRemoved()},

        {"a file in the way of a typed folder",
         [] {
             MakeDirs("T:\\crit");
             scene::Write("T:\\blk", "a file named like the folder");
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "T:\\blk\\sub");
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {rig::Unsuccessful({{"T:\\blk\\sub\\quillmar.exe", ERROR_PATH_NOT_FOUND},
                             {"T:\\blk\\sub\\install.exe", ERROR_PATH_NOT_FOUND},
                             {"T:\\blk\\sub\\userhelp.hlp", ERROR_PATH_NOT_FOUND}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        // No folder is created anywhere, every copy of both groups fails, no group is recorded.
        {"typed folders on a drive letter that does not exist",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "Q:\\prog");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "Q:\\crit");
         },
         {rig::Unsuccessful({{"Q:\\prog\\quillmar.exe", ERROR_PATH_NOT_FOUND},
                             {"Q:\\prog\\install.exe", ERROR_PATH_NOT_FOUND},
                             {"Q:\\prog\\userhelp.hlp", ERROR_PATH_NOT_FOUND},
                             {"Q:\\crit\\criteria.inc", ERROR_PATH_NOT_FOUND},
                             {"Q:\\crit\\criteria.exc", ERROR_PATH_NOT_FOUND}})},
         {kSection, kWprocess},
         {}},

        // A folder picked in the tree that other users may change, and in it a link named
        // install.exe to another file: the link is replaced by the new file, and what it
        // points to keeps its bytes and its mode.
        {"a link planted at a destination name",
         [] {
             MakeDirs("T:\\dst");
             MakeDirs("T:\\crit");
             ASSERT_TRUE(scene::ChangeUnix("chmod 777", {"T:\\dst"}));
             StageVictim();
             ASSERT_TRUE(scene::LinkTo("T:\\dst\\install.exe", kVictim));
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\dst"));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
             s.Ok(1);
             ExpectVictimUntouched();
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\dst\\userhelp.hlp ", "criteria=T:\\crit", kInstall},
         std::vector<std::string>{"+ T:\\dst\\quillmar.exe", "* T:\\dst\\install.exe", "+ T:\\dst\\userhelp.hlp"} +
             CriteriaCopies("T:\\crit") + SourceRemoved()},

        // Temporary names of an earlier OK that was cut off (a power cut): a part of a copy,
        // and one that is now a link to another file. They do not stop the next OK, which
        // removes them, the link itself and never what it points to.
        {"temporary names left by an earlier OK",
         [] {
             MakeDirs("T:\\crit");
             scene::Write("T:\\crit\\~qm0001.tmp", std::string(5000, 'x'));
             StageVictim();
             ASSERT_TRUE(scene::LinkTo("T:\\crit\\~qm00A0.tmp", kVictim));
         },
         [](Session &s) {
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
             s.Ok(1);
             ExpectVictimUntouched();
         },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=T:\\crit", kInstall},
         kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved() +
             std::vector<std::string>{"- T:\\crit\\~qm0001.tmp", "- T:\\crit\\~qm00A0.tmp"}},

        // An upgrade on a drive that cannot take the new quillmar.exe beside the old one: the
        // older installation stays whole, and the box says what to do.
        {"an upgrade on a small drive",
         [] {
             MakeDirs("T:\\Q");
             MakeDirs("T:\\crit");
             ASSERT_TRUE(scene::SmallDisk("T:\\Q", 112));
             scene::Write("T:\\Q\\quillmar.exe", std::string(40011, 'o'));
             scene::Write("T:\\Q\\install.exe", "an older install.exe");
             scene::Write("T:\\Q\\userhelp.hlp", "an older userhelp.hlp");
             scene::Write(std::string(scene::kSource) + "\\quillmar.exe", std::string(300000, 'n'));
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\Q"));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
             s.Ok(1);
             EXPECT_EQ(scene::Read("T:\\Q\\quillmar.exe"), std::string(40011, 'o'));
         },
         {rig::Unsuccessful({{"T:\\Q\\quillmar.exe", ERROR_DISK_FULL}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         CriteriaCopies("T:\\crit")},

        // The settings file on a full disk (a link to the full device): every write is said
        // to succeed and none arrives. Read back, the file holds no key: nothing is recorded,
        // so the source stays.
        {"a settings file on a full disk",
         [] {
             MakeDirs("T:\\crit");
             ASSERT_TRUE(scene::LinkToDevice(rig::SettingsFilePath(), "/dev/full"));
         },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {scene::kUnsuccessful},
         {},
         kDefaultCopies + CriteriaCopies("T:\\crit")},

        // No key can be written: the product would find nothing of what was copied, so the
        // installation is a failure and the source stays. (Scrub removes the folder.)
        {"a folder in the place of the settings file",
         [] {
             MakeDirs("T:\\crit");
             ASSERT_TRUE(CreateDirectoryA(rig::SettingsFilePath().c_str(), NULL));
         },
         [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
         {scene::kUnsuccessful},
         {},
         kDefaultCopies + CriteriaCopies("T:\\crit")},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

// Faults of the source folder: its path leaves no room for a file name.
TEST_F(Faults, ASourceFolderWhosePathLeavesNoRoomKeepsItsFiles)
{
    std::string longSource = "C:\\qtest\\src";
    while (longSource.size() < 250)
        longSource += "\\" + std::string(std::min<size_t>(40, 250 - longSource.size() - 1), 's');
    ASSERT_EQ(longSource.size(), 250u);
    std::vector<std::pair<std::string, DWORD>> failed;
    for (const char *name : {"quillmar.exe", "install.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"})
        failed.push_back({longSource + "\\" + name, ERROR_FILENAME_EXCED_RANGE});
    Case c = {"a source folder of 250 characters",
              [] {
                  MakeDirs("T:\\crit");
                  MakeDirs("C:\\qtest\\bin");
                  scene::Write("C:\\qtest\\bin\\install.exe", scene::ProductBytes("install.exe"));
              },
              [](Session &s) { EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit")); },
              {rig::Unsuccessful(failed)},
              {kSection, kWprocess},
              {"+ C:\\quillmar\\"}};
    // Its install.exe lies beyond MAX_PATH: the program is started from another folder with
    // the long one as its current folder.
    c.source = longSource;
    c.exe = "C:\\qtest\\bin\\install.exe";
    scene::Check(c);
}

// Big and deep folders in the browsers: what is shown is what is installed into.
TEST_F(Faults, BigAndDeepFoldersAreBrowsedAndInstalledInto)
{
    // 40 levels of five letters: the bottom folder has 242 characters, its "help" value 256.
    std::string deep = "T:";
    std::vector<std::string> deepLines = {"T:\\"};
    for (int k = 1; k <= 40; ++k) {
        char name[16];
        snprintf(name, sizeof name, "lvl%02d", k);
        deep += std::string("\\") + name;
        deepLines.push_back(std::string(k, ' ') + name);
    }

    const Case cases[] = {
        {"a tree 40 levels deep, opened to its bottom",
         [deep] {
             MakeDirs(deep);
             MakeDirs("T:\\crit");
         },
         [deep, deepLines](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, deep));
             s.p.DoubleClickLine(IDC_PROG_DIR, 40);
             EXPECT_EQ(scene::Block(deepLines), scene::Block(s.p.ListLines(IDC_PROG_DIR)));
             EXPECT_EQ(s.p.ListSel(IDC_PROG_DIR), 40);
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=" + deep + "\\userhelp.hlp ", "criteria=T:\\crit", kInstall},
         ProgramCopies(deep) + CriteriaCopies("T:\\crit") + SourceRemoved()},

        // Every subfolder is a line: under T:\many, 5,000 of them. The last one is what the
        // program group is installed into, picked with the mouse; the one before it takes the
        // criteria, reached with the keyboard (End, Up, then Enter to open it).
        {"a folder with 5,000 subfolders",
         [] {
             MakeDirs("T:\\many");
             ASSERT_TRUE(rig::MakeNumberedDirs("T:\\many", "s%04g", 5000));
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\many\\s4999"));
             EXPECT_EQ(s.p.ListCount(IDC_PROG_DIR), 5002);
             EXPECT_EQ(s.p.ListSel(IDC_PROG_DIR), 5001);
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\many\\s0000"));
             s.p.PressKey(IDC_CRIT_DIR, VK_END);
             s.p.PressKey(IDC_CRIT_DIR, VK_UP);
             s.p.PressKey(IDC_CRIT_DIR, VK_RETURN);
             EXPECT_EQ(s.p.ListLine(IDC_CRIT_DIR, 2), "  s4998");
             EXPECT_EQ(s.p.ListSel(IDC_CRIT_DIR), 2);
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\many\\s4999\\userhelp.hlp ", "criteria=T:\\many\\s4998", kInstall},
         ProgramCopies("T:\\many\\s4999") + CriteriaCopies("T:\\many\\s4998") + SourceRemoved()},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

// 20,000 files in the editor's folder: all listed, sorted; the last one is the editor.
TEST_F(Faults, AFolderOf20000FilesListsThemAll)
{
    Case c = {"a folder of 20,000 files",
              [] {
                  MakeDirs("T:\\files");
                  MakeDirs("T:\\crit");
                  DWORD t0 = GetTickCount();
                  scene::MakeManyFiles("T:\\files", 20000);
                  printf("[ timing ] 20,000 files created in %lu ms\n", GetTickCount() - t0);
              },
              [](Session &s) {
                  // Every 100th line and the last: line i is f<i>.txt. (Reading all 20,000
                  // from another process would take a minute.)
                  ASSERT_EQ(s.p.ListCount(IDC_EDITOR_FILE), 20000);
                  for (int i = 0; i < 20000; i += i < 19900 ? 100 : 1) {
                      char name[16];
                      snprintf(name, sizeof name, "f%05d.txt", i);
                      ASSERT_EQ(s.p.ListLine(IDC_EDITOR_FILE, i), name) << "line " << i;
                  }
                  EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
              },
              {scene::kComplete},
              {kSection, "wprocess=T:\\files\\f19999.txt", kDefaultHelp, "criteria=T:\\crit", kInstall},
              kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved()};
    c.editorDir = "T:\\files";
    c.editorFile = "f19999.txt";
    c.sealed = {"T:\\files"};
    DWORD t0 = GetTickCount();
    scene::Check(c);
    printf("[ timing ] the case ran in %lu ms\n", GetTickCount() - t0);
    t0 = GetTickCount();
    scene::RemoveBigTree("T:\\files");
    printf("[ timing ] 20,000 files removed in %lu ms\n", GetTickCount() - t0);
}

// Names at the limits of the file system and of the browsers.
TEST_F(Faults, NamesAtTheLimitsNeverSendFilesElsewhere)
{
    const std::string name255 = std::string(251, 'n') + ".exe";
    const std::string dir255 = std::string(255, 'd');
    const Case cases[] = {
        // A folder name of 255 bytes cannot be a tree line (its line needs 257): not listed.
        // A file name of 255 bytes at a root makes an editor path of 258: recorded whole.
        {"names of 255 bytes: a folder not listed, an editor file at a root",
         [name255, dir255] {
             MakeDirs("T:\\" + dir255);
             MakeDirs("T:\\crit");
             scene::Write("T:\\" + name255, "an editor with a long name");
         },
         [](Session &s) {
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\"));
             EXPECT_EQ(scene::Block({"T:\\", " crit", " tools"}), scene::Block(s.p.ListLines(IDC_PROG_DIR)))
                 << "the 255-byte folder is not listed";
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {scene::kComplete},
         {kSection, "wprocess=T:\\" + name255, kDefaultHelp, "criteria=T:\\crit", kInstall},
         kDefaultCopies + CriteriaCopies("T:\\crit") + SourceRemoved(), "install.exe", {}, scene::kSource, "",
         "T:\\", name255},

        // Below a folder the same file makes an editor path of 264: refused before anything.
        {"an editor path of 264 characters",
         [name255] { scene::Write("T:\\tools\\" + name255, "an editor with a long name"); },
         [](Session &) {},
         {"ERROR|Text editor path too long"},
         {},
         {}, "install.exe", {}, scene::kSource, "", "T:\\tools", name255},
    };
    for (const Case &c : cases)
        scene::Check(c);

    // Leading blanks and dots are part of the name: each folder gets the files, never its
    // look-alike "lead" beside it.
    for (const char *name : {" lead", "  lead", ".dot", "..dots"}) {
        const std::string dir = std::string("T:\\") + name;
        scene::Check({name,
                      [dir] {
                          MakeDirs(dir);
                          MakeDirs("T:\\lead");
                          MakeDirs("T:\\dot");
                          MakeDirs("T:\\dots");
                      },
                      [dir](Session &s) {
                          s.p.Click(IDC_PROG_EXISTING);
                          EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, dir));
                          EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, dir));
                      },
                      {scene::kComplete},
                      {kSection, kWprocess, "help=" + dir + "\\userhelp.hlp ", "criteria=" + dir, kInstall},
                      ProgramCopies(dir) + CriteriaCopies(dir) + SourceRemoved()});
    }
}

// Names outside ASCII (the rig fixes LC_ALL, so the ANSI code page is 1252): one that the
// code page holds is installed into by its name; one that it does not hold is not shown, and
// typed or started from, it is refused, so that nothing reaches the look-alike that its ANSI
// form names (A with a macron comes as A).
TEST_F(Faults, NamesOutsideAsciiNeverSendFilesElsewhere)
{
    ASSERT_EQ(GetACP(), 1252u);
    const std::string cafe = "T:\\caf\xc3\xa9";                       // café
    const std::string nihon = "T:\\\xe6\x97\xa5\xe6\x9c\xac";          // 日本
    const std::string editor = "\xc3\xa9" "dit.exe";                  // édit.exe
    const std::string macron = "\xc4\x80" "bc";                        // Ābc, whose ANSI form is Abc
    const std::string zoe = "T:\\Zo\xc3\xab";                          // Zoë
    auto olderRelease = [](const std::string &folder) {
        MakeDirs(folder);
        for (const char *name : {"quillmar.exe", "install.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"})
            scene::Write(folder + "\\" + name, std::string("an older ") + name);
    };
    Case fromMacron = {
        "started from a folder named outside the code page, beside its look-alike with an older release",
        [olderRelease] { olderRelease("C:\\qtest\\Abc"); },
        [](Session &) {},
        {scene::kSourceUnusable},
        {},
        {}};
    fromMacron.source = "C:\\qtest\\" + macron;
    scene::Check(fromMacron);

    const Case cases[] = {
        {"both fields typed with a letter outside the code page, beside a look-alike with the user's files",
         [] {
             MakeDirs("T:\\Abc");
             scene::Write("T:\\Abc\\quillmar.exe", "the user's own quillmar.exe");
             scene::Write("T:\\Abc\\criteria.inc", "the user's own criteria");
         },
         [macron](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeUnicode(IDC_PROG_NEWPATH, scene::Wide("T:\\" + macron));
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeUnicode(IDC_CRIT_NEWPATH, scene::Wide("T:\\" + macron));
         },
         {scene::kProgRefused, scene::kCritRefused, scene::kUnsuccessful},
         {kSection, kWprocess},
         {}},

        {"both fields typed with a letter that the code page holds",
         nullptr,
         [zoe](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeUnicode(IDC_PROG_NEWPATH, scene::Wide(zoe));
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeUnicode(IDC_CRIT_NEWPATH, scene::Wide(zoe + "\\crit"));
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\Zo\xeb\\userhelp.hlp", "criteria=T:\\Zo\xeb\\crit", kInstall},
         std::vector<std::string>{"+ " + zoe + "\\", "+ " + zoe + "\\crit\\"} + ProgramCopies(zoe) +
             CriteriaCopies(zoe + "\\crit") + SourceRemoved()},

        // The editor lies in the folder: its listing is asked for in the code page's name.
        {"a folder and an editor file named in the code page",
         [cafe, editor] {
             MakeDirs(cafe);
             scene::Write(cafe + "\\" + editor, "an editor with an accent");
         },
         [cafe](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, scene::Ansi(cafe)));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, scene::Ansi(cafe)));
         },
         {scene::kComplete},
         {kSection, "wprocess=T:\\caf\xe9\\\xe9" "dit.exe", "help=T:\\caf\xe9\\userhelp.hlp ", "criteria=T:\\caf\xe9",
          kInstall},
         ProgramCopies(cafe) + CriteriaCopies(cafe) + SourceRemoved(), "install.exe", {}, scene::kSource, "", cafe,
         editor},

        {"a folder named outside the code page",
         [nihon] {
             MakeDirs(nihon);
             MakeDirs("T:\\ab");
             MakeDirs("T:\\crit");
         },
         [](Session &s) {
             s.p.Click(IDC_PROG_EXISTING);
             EXPECT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\ab"));
             // No ANSI path can name it: it is not shown, not even as "??".
             EXPECT_EQ(scene::Block(s.p.ListLines(IDC_PROG_DIR)), scene::Block({"T:\\", " ab", " crit", " tools"}));
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\ab\\userhelp.hlp ", "criteria=T:\\crit", kInstall},
         scene::Sorted(ProgramCopies("T:\\ab") + CriteriaCopies("T:\\crit") + SourceRemoved())},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

// Names that the platform reads as another folder's: a closing period, which is dropped from
// every level of a path (T:\trail.\quillmar.exe names T:\trail\quillmar.exe), and a name
// outside the code page, which the ANSI listing gives by its nearest letters (A with a macron,
// then "bc", comes as "Abc"). Each stands beside its look-alike. Two lines of a tree
// never name the same folder, and installing into the one shown never fills its look-alike:
// the installer may leave such a folder out, refuse it, or reach it.
TEST_F(Faults, ANameThePlatformRewritesNeverFillsItsLookAlike)
{
    scene::StageSource();
    for (const char *name : {"T:\\trail", "T:\\trail.", "T:\\Abc", "T:\\\xc4\x80" "bc" /* A with a macron */, "T:\\crit"})
        MakeDirs(name);
    std::vector<std::string> lines;
    bool listed = false;
    scene::Outcome o = scene::Run([&](Session &s) {
        s.PickEditor();
        ASSERT_TRUE(s.p.BrowseTo(IDC_PROG_DIR, "T:\\"));
        lines = s.p.ListLines(IDC_PROG_DIR);
        s.p.Click(IDC_PROG_EXISTING);
        listed = s.p.BrowseTo(IDC_PROG_DIR, "T:\\trail.");
        EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
        if (listed)
            s.Ok(1);
    });
    ASSERT_TRUE(o.started);

    // The folder that each line names, as the platform reads the path.
    std::map<std::string, std::vector<std::string>> named;
    for (size_t i = 1; i < lines.size(); ++i) {
        char full[MAX_PATH] = {};
        GetFullPathNameA(("T:\\" + lines[i].substr(1)).c_str(), sizeof full, full, NULL);
        CharUpperA(full);
        named[full].push_back("'" + lines[i] + "'");
    }
    for (const auto &n : named)
        EXPECT_EQ(n.second.size(), 1u) << "lines naming " << n.first << ": " << scene::Block(n.second);

    for (const std::string &change : o.changes)
        EXPECT_NE(change.rfind("+ T:\\trail\\", 0), 0u) << "the look-alike was filled: " << change;
    if (listed && o.boxes == std::vector<std::string>{scene::kComplete}) {
        EXPECT_EQ(scene::Block(scene::Sorted(ProgramCopies("T:\\trail.") + CriteriaCopies("T:\\crit") + SourceRemoved())),
                  scene::Block(o.changes));
    } else {
        for (const std::string &change : o.changes)
            EXPECT_NE(change[0], '-') << "a source file was removed after an incomplete installation: " << change;
    }
    EXPECT_EQ(o.exitStatus, 0);
}

// Typed text at and beyond the lengths that the fields give and the names can hold.
TEST_F(Faults, TypedPathsAtTheirLimits)
{
    // A typed program folder of L characters makes a "help" value of L + 13: up to 246 it
    // fits, from 247 the group is refused whole (nothing created), and the field gives at
    // most 259 characters of a longer text.
    const std::string p246 = TypedPath(246, 'a');
    const std::string p247 = TypedPath(247, 'b');
    const std::string p259 = TypedPath(259, 'c');
    const std::string p300 = TypedPath(300, 'e');
    // The criteria field gives 79 characters: the 80th is dropped.
    const std::string c79 = TypedPath(79, 'k');
    const std::string c80 = TypedPath(80, 'm');

    struct Typed {
        const char *name;
        std::string prog;   // typed program folder
        bool installs;
    };
    const Typed progs[] = {
        {"a typed program folder of 246 characters", p246, true},
        {"a typed program folder of 247 characters", p247, false},
        {"a typed program folder of exactly 259 characters", p259, false},
        {"a typed program folder of 300 characters", p300, false},
    };
    for (const Typed &t : progs) {
        Case c = {t.name,
                  [] { MakeDirs("T:\\crit"); },
                  [t](Session &s) {
                      s.p.Click(IDC_PROG_NEW);
                      s.p.TypeText(IDC_PROG_NEWPATH, t.prog);
                      EXPECT_EQ(s.p.EditText(IDC_PROG_NEWPATH).size(), t.prog.size());
                      EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
                  },
                  {t.installs ? scene::kComplete : scene::kUnsuccessful},
                  {kSection, kWprocess, "criteria=T:\\crit"},
                  CriteriaCopies("T:\\crit")};
        if (t.installs) {
            c.settings = {kSection, kWprocess, "help=" + t.prog + "\\userhelp.hlp", "criteria=T:\\crit", kInstall};
            c.changes = c.changes + LevelsOf(t.prog) + ProgramCopies(t.prog) + SourceRemoved();
        }
        scene::Check(c);
    }

    const std::string c80cut = c80.substr(0, 79);
    const std::string typed = "T:" + std::string(250, '\\') + "abcdefg";
    const Case cases[] = {
        {"a criteria folder of exactly 79 characters",
         nullptr,
         [c79](Session &s) {
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, c79);
         },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=" + c79, kInstall},
         kDefaultCopies + LevelsOf(c79) + CriteriaCopies(c79) + SourceRemoved()},

        {"a criteria folder of 80 characters",
         nullptr,
         [c80](Session &s) {
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, c80);
         },
         {scene::kComplete},
         {kSection, kWprocess, kDefaultHelp, "criteria=" + c80cut, kInstall},
         kDefaultCopies + LevelsOf(c80cut) + CriteriaCopies(c80cut) + SourceRemoved()},

        // Only backslashes after the colon: the drive's current folder (the root), no level.
        {"typed folders of a drive letter, a colon and backslashes only",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "T:\\\\\\");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "R:\\\\");
         },
         {scene::kComplete},
         {kSection, kWprocess, "help=T:\\userhelp.hlp", "criteria=R:", kInstall},
         ProgramCopies("T:\\") + CriteriaCopies("R:\\") + SourceRemoved()},

        // 259 characters fill the program field, and the last one counts: the folder and the
        // "help" value end in "abcdefg". The copies go to the folder as typed, whose names
        // do not fit a path; they fail, so nothing of the source is removed.
        {"a typed program folder that fills the field: a drive, 250 backslashes and a name",
         [] { MakeDirs("T:\\crit"); },
         [typed](Session &s) {
             ASSERT_EQ(typed.size(), 259u);
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, typed);
             EXPECT_TRUE(s.p.BrowseTo(IDC_CRIT_DIR, "T:\\crit"));
         },
         {rig::Unsuccessful({{typed + "\\quillmar.exe", ERROR_FILENAME_EXCED_RANGE},
                             {typed + "\\install.exe", ERROR_FILENAME_EXCED_RANGE},
                             {typed + "\\userhelp.hlp", ERROR_FILENAME_EXCED_RANGE}})},
         {kSection, kWprocess, "criteria=T:\\crit"},
         LevelsOf("T:\\abcdefg") + CriteriaCopies("T:\\crit")},

        // The second character is a colon, so the text passes the check; no such folder can
        // exist, every copy fails, and nothing appears in the current folder either.
        {"typed folders made of colons",
         nullptr,
         [](Session &s) {
             s.p.Click(IDC_PROG_NEW);
             s.p.TypeText(IDC_PROG_NEWPATH, "::::");
             s.p.Click(IDC_CRIT_NEW);
             s.p.TypeText(IDC_CRIT_NEWPATH, "::");
         },
         {rig::Unsuccessful({{"::::\\quillmar.exe", ERROR_PATH_NOT_FOUND},
                             {"::::\\install.exe", ERROR_PATH_NOT_FOUND},
                             {"::::\\userhelp.hlp", ERROR_PATH_NOT_FOUND},
                             {"::\\criteria.inc", ERROR_FILE_NOT_FOUND},
                             {"::\\criteria.exc", ERROR_FILE_NOT_FOUND}})},
         {kSection, kWprocess},
         {}},
    };
    for (const Case &c : cases)
        scene::Check(c);
}

}  // namespace
