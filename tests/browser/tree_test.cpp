// The directory trees on real folders: a drive's tree, the opening of every kind of line, the
// path of each line, the bounds of the array and of the buffers, and the error messages.
#include "browser_checks.h"

#include "../../src/browser/treecore.h"

using bt::Strings;
using bt::Tree;

class Trees : public bt::Browsers {};

// Only the exact "." and ".." entries are dropped: names that begin with dots or blanks are
// folders like any other, at a root and below it, and each line opens the folder it shows.
TEST_F(Trees, EveryKindOfLineOpensItsFolder)
{
    bt::MakeDirsIn("T:", {"Z", " z", "..y", ".x", "A\\a2", "A\\B\\b2", "A\\B\\C", "A\\.config", "A\\..old",
                          "A\\ lead", "A\\lead"});
    for (const char *f : {"T:\\root.txt", "T:\\A\\B\\inB.txt", "T:\\A\\ lead\\blank.txt", "T:\\A\\lead\\plain.txt"})
        rig::WriteFile(f);
    Start();
    rig::PickDrive(dlg, 101, "T:");
    const Strings rootSubs = {" z", "..y", ".x", "A", "Z"}, aSubs = {" lead", "..old", ".config", "a2", "B", "lead"};
    ASSERT_TRUE(bt::TreeShows(dlg, 102, Tree({"T:\\"}, rootSubs), 0));
    EXPECT_EQ(Struct1 + 6, LbStructPtr);

    struct { int line; std::vector<bt::Line> tree; int sel; std::string path; Strings files; } steps[] = {
        {4, Tree({"T:\\", "A"}, aSubs), 1, "T:\\A\\", {}},                          // a subdirectory
        {2, Tree({"T:\\", "A", " lead"}), 2, "T:\\A\\ lead\\", {"blank.txt"}},      // without subdirectories
        {1, Tree({"T:\\", "A"}, aSubs), 1, "T:\\A\\", {}},                          // a line of the open path
        {7, Tree({"T:\\", "A", "lead"}), 2, "T:\\A\\lead\\", {"plain.txt"}},
        {1, Tree({"T:\\", "A"}, aSubs), 1, "T:\\A\\", {}},
        {6, Tree({"T:\\", "A", "B"}, {"b2", "C"}), 2, "T:\\A\\B\\", {"inB.txt"}},
        {2, Tree({"T:\\", "A", "B"}, {"b2", "C"}), 2, "T:\\A\\B\\", {"inB.txt"}},    // the open directory
        {0, Tree({"T:\\"}, rootSubs), 0, "T:\\", {"root.txt"}},                     // the root
    };
    for (auto &s : steps) {
        SendDlgItemMessageA(dlg, 103, LB_SETCURSEL, 0, 0);
        rig::DoubleClickLine(dlg, 102, s.line);
        EXPECT_TRUE(bt::TreeShows(dlg, 102, s.tree, s.sel)) << "after opening line " << s.line;
        EXPECT_EQ(s.path, GetThePath(102, dlg));
        EXPECT_EQ(s.files, rig::ListLines(dlg, 103));
        EXPECT_EQ(LB_ERR, rig::ListSel(dlg, 103));
    }

    rig::DoubleClickLine(dlg, 102, 4);   // A, then B: the path of every line
    rig::DoubleClickLine(dlg, 102, 6);
    const char *paths[] = {"T:\\", "T:\\A\\", "T:\\A\\B\\", "T:\\A\\B\\b2\\", "T:\\A\\B\\C\\"};
    for (int line = 0; line < 5; ++line) {
        rig::PickLine(dlg, 102, line);
        EXPECT_EQ(paths[line], std::string(GetThePath(102, dlg))) << line;
    }
    EXPECT_TRUE(boxes->lines().empty());
}

// Every subdirectory is a line while the array has room: an open directory at Level L shows
// the first kDirBoxEntries - 2 - L of them in sorted order (5,126 at the root), the array keeps
// its end marker, and the tree's last line says how many more there are: one folder, then a
// thousand and more. Picking or opening that line changes nothing. The other trees are not
// touched.
TEST_F(Trees, EverySubdirectoryIsALineWhileTheArrayHasRoom)
{
    ASSERT_TRUE(rig::MakeNumberedDirs("T:\\", "d%04g", kDirBoxEntries - 1));          // 5,127
    ASSERT_TRUE(rig::MakeNumberedDirs("T:\\d0000", "s%04g", kDirBoxEntries + 1000));  // 6,128
    rig::WriteFile("T:\\d0000\\s0007\\f.txt");
    Start();
    std::string others = bt::ArrayBytes().substr(sizeof Struct1);
    rig::PickDrive(dlg, 101, "T:");
    EXPECT_TRUE(bt::TreeShows(dlg, 102, Tree({"T:\\"}, bt::Numbered("d", kDirBoxEntries - 2, 0, 4)), 0,
                              "(1 more folder not shown)"));
    EXPECT_EQ(Struct1 + kDirBoxEntries - 1, LbStructPtr);
    rig::DoubleClickLine(dlg, 102, 1);
    const std::vector<bt::Line> d0000 = Tree({"T:\\", "d0000"}, bt::Numbered("s", kDirBoxEntries - 3, 0, 4));
    const std::string more = "(1,003 more folders not shown)";
    EXPECT_TRUE(bt::TreeShows(dlg, 102, d0000, 1, more));

    // A line far down: its path and files. Then the last line, by a pick, a double-click and
    // Enter: the tree, its selection and the file list stay as they were, and no box shows.
    rig::PickLine(dlg, 102, 9);
    EXPECT_STREQ("T:\\d0000\\s0007\\", GetThePath(102, dlg));
    EXPECT_EQ(Strings{"f.txt"}, rig::ListLines(dlg, 103));
    rig::PickLine(dlg, 102, kDirBoxEntries - 1);
    EXPECT_EQ(9, rig::ListSel(dlg, 102));
    rig::DoubleClickLine(dlg, 102, kDirBoxEntries - 1);
    EXPECT_TRUE(bt::TreeShows(dlg, 102, d0000, 9, more));
    SetFocus(GetDlgItem(dlg, 102));
    SendDlgItemMessageA(dlg, 102, LB_SETCURSEL, kDirBoxEntries - 1, 0);
    rig::Command(dlg, IDOK);   // Enter in the tree, as the dialog gets it
    EXPECT_TRUE(bt::TreeShows(dlg, 102, d0000, 9, more));
    EXPECT_EQ(Strings{"f.txt"}, rig::ListLines(dlg, 103));
    EXPECT_EQ(others, bt::ArrayBytes().substr(sizeof Struct1));
    EXPECT_TRUE(boxes->lines().empty());
    rig::StopInstaller();
    EXPECT_TRUE(rig::UnixShell("cd '" + rig::UnixName("T:\\") + "' && rm -rf d*", 60000));
}

// A folder is a line only if its own search pattern fits 259 characters, so that every line
// can be opened and listed: at a root, names of up to 252 bytes (T:\ + name + \*.*); below
// 23 levels of ten-character names, nothing.
TEST_F(Trees, FoldersThatCouldNotBeListedAreNotLines)
{
    std::string n252(252, 'n'), f255(255, 'f');
    bt::MakeDirsIn("T:", {n252, std::string(253, 'o'), std::string(255, 'p')});
    rig::WriteFile("T:\\" + n252 + "\\x");
    rig::WriteFile("T:\\" + f255);
    Strings deep = {"T:\\"}, chain = bt::Numbered("dir_000", 23, 1);   // dir_000001 to dir_000023
    std::string path = "T:\\";
    for (const std::string &name : chain) {
        deep.push_back(name);
        path += name + "\\";
    }
    ASSERT_EQ(256u, path.size());
    rig::MakeDirs(path + "y");
    rig::WriteFile(path + "x");
    Start();

    rig::PickDrive(dlg, 101, "T:");
    ASSERT_TRUE(bt::TreeShows(dlg, 102, Tree({"T:\\"}, {"dir_000001", n252}), 0));
    EXPECT_EQ(Strings{f255}, rig::ListLines(dlg, 103));
    rig::DoubleClickLine(dlg, 102, 2);
    EXPECT_TRUE(bt::TreeShows(dlg, 102, Tree({"T:\\", n252}), 1));
    EXPECT_EQ(Strings{"x"}, rig::ListLines(dlg, 103));

    for (int level = 0; level <= 23; ++level)
        rig::DoubleClickLine(dlg, 102, level);   // the root, then each folder of the chain
    EXPECT_TRUE(bt::TreeShows(dlg, 102, Tree(deep), 23));
    EXPECT_EQ(path, GetThePath(102, dlg));
    EXPECT_EQ(Strings{"x"}, rig::ListLines(dlg, 103));
    EXPECT_TRUE(boxes->lines().empty());
}

// Each message; afterwards no array and no list has changed.
TEST_F(Trees, ErrorsChangeNothing)
{
    rig::WriteFile("T:\\root.txt");
    Start();
    rig::PickDrive(dlg, 101, "T:");
    SendDlgItemMessageA(dlg, 102, LB_SETCURSEL, (WPARAM)-1, 0);
    std::string arrays = bt::ArrayBytes();
    Strings lines[2] = {rig::ListLines(dlg, 102), rig::ListLines(dlg, 103)};
    struct { void (*run)(HWND); Strings shown; } cases[] = {   // no tree line selected, then 105 for a tree id
        {[](HWND d) { rig::PickLine(d, 102, -1); }, {"Error selecting directory"}},
        {[](HWND d) { rig::DoubleClickLine(d, 102, -1); }, {"Error filling directory details", "ERROR filling file details"}},
        {[](HWND d) { EXPECT_STREQ("", GetThePath(102, d)); }, {"ERROR getting path details"}},
        {[](HWND d) { FillFileBox(d, 102, 103); }, {"ERROR filling file details"}},
        {[](HWND d) { EXPECT_EQ(0, FillDirectoryBox(d, 101, 105)); }, {"ERROR in FillDirBox", "ERROR in FillDirBox"}},
        {[](HWND d) { PartialFillDirBox(d, 105); }, {"ERROR in PartialDirBox", "ERROR in FileFileBox", "ERROR in FileFileBox"}},
        {[](HWND d) { EXPECT_STREQ("", GetThePath(105, d)); }, {"ERROR in get path"}},
        {[](HWND d) { FillFileBox(d, 105, 103); }, {"ERROR in FillFileBox"}},
    };
    for (auto &c : cases) {
        boxes->clear();
        c.run(dlg);
        Strings shown;
        for (const rig::ShownBox &b : boxes->boxes())
            shown.push_back(b.caption + "|" + b.text + (b.owner == dlg ? "" : " (not owned by the dialog)"));
        for (std::string &s : c.shown)
            s = "ERROR|" + s;
        EXPECT_EQ(c.shown, shown);
        EXPECT_EQ(arrays, bt::ArrayBytes()) << c.shown[0];
        EXPECT_EQ(lines[0], rig::ListLines(dlg, 102)) << c.shown[0];
        EXPECT_EQ(lines[1], rig::ListLines(dlg, 103)) << c.shown[0];
    }
}

// Damaged arrays (no terminators, no end marker) are refused line by line without a read past
// entry 199; a full tree takes no more subdirectories and keeps its end marker.
TEST(TreeCore, RefusesDamagedAndFullArrays)
{
    static DirBoxInfo t[kDirBoxEntries];
    memset(t, 'x', sizeof t);
    char path[kPathSize] = "old";
    for (int line = -1; line <= kDirBoxEntries; ++line) {
        EXPECT_FALSE(TreeLinePath(t, line, path, sizeof path)) << line;
        EXPECT_STREQ("", path);
        EXPECT_EQ(-1, TreeOpenLine(t, line)) << line;
        EXPECT_EQ(-1, TreeAddSubdir(t, line, "a")) << line;
    }
    ASSERT_TRUE(TreeStartRoot(t, "C:"));
    for (int i = 1; i <= kDirBoxEntries - 2; ++i)
        ASSERT_EQ(i, TreeAddSubdir(t, 0, "a"));
    EXPECT_EQ(-1, TreeAddSubdir(t, 0, "a"));
    EXPECT_EQ(-1, t[kDirBoxEntries - 1].Level);
    // The line after the array's, in a list box of one line more, says how many more there are.
    EXPECT_TRUE(TreeIsMoreLine(t, kDirBoxEntries - 1, kDirBoxEntries));
    EXPECT_FALSE(TreeIsMoreLine(t, kDirBoxEntries - 1, kDirBoxEntries - 1));
    EXPECT_FALSE(TreeIsMoreLine(t, kDirBoxEntries - 2, kDirBoxEntries));

    // Only the open directory takes subdirectories: once "a" is open, its parent takes none.
    ASSERT_TRUE(TreeStartRoot(t, "C:"));
    ASSERT_EQ(1, TreeAddSubdir(t, 0, "a"));
    ASSERT_EQ(1, TreeOpenLine(t, 1));
    ASSERT_EQ(2, TreeAddSubdir(t, 1, "b"));
    EXPECT_EQ(-1, TreeAddSubdir(t, 0, "x"));
    EXPECT_EQ(-1, t[3].Level);
    EXPECT_EQ(0, TreeSubdirRoom(-2147483647 - 1));
}
