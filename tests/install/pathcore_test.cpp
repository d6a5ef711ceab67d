// The installation's path rules on their own: typed-path check, closing backslashes, the
// level-by-level rebuild, the tree directory's closing backslash and bounded names.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "../../src/install/pathcore.h"

namespace {

TEST(PathCore, TypedPathNeedsColonSecond)
{
    struct Case {
        const char *typed;
        bool accepted;
    } cases[] = {
        {"", false},
        {"c", false},
        {"c:", true},
        {"c:\\tools", true},
        {"d:tools\\new", true},
        {"1:\\x", true},       // only the colon is tested, not the drive letter
        {"::", true},
        {" c:\\x", false},     // a leading blank puts the letter second
        {"Enter new directory path here", false},
        {"\\\\server\\share", false},
        {"c\\:", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TypedPathHasDrive(c.typed), c.accepted) << "typed \"" << c.typed << "\"";
}

TEST(PathCore, ClosingBackslashesGoButNeverTheFirstCharacter)
{
    struct Case {
        const char *in;
        const char *out;
    } cases[] = {
        {"c:\\a\\", "c:\\a"},
        {"c:\\a\\\\\\", "c:\\a"},
        {"c:\\", "c:"},
        {"c:\\\\\\", "c:"},
        {"c:", "c:"},
        {"c:\\a\\\\b\\", "c:\\a\\\\b"},   // inner runs stay as typed
        {"c:/a/", "c:/a/"},               // only backslashes
        {"c:\\a\\ ", "c:\\a\\ "},         // a closing blank stops the removal
        {"\\\\\\", "\\"},
        {"\\", "\\"},
        {"", ""},
    };
    for (const Case &c : cases) {
        char buf[kCorePathSize];
        strcpy(buf, c.in);
        StripClosingBackslashes(buf);
        EXPECT_STREQ(buf, c.out) << "from \"" << c.in << "\"";
    }
}

std::vector<std::string> WalkLevels(const char *typed, bool *started, std::string *rebuilt)
{
    std::vector<std::string> levels;
    LevelWalk walk;
    *started = LevelWalkStart(&walk, typed);
    while (*started && LevelWalkNext(&walk))
        levels.push_back(walk.Path);
    *rebuilt = walk.Path;
    return levels;
}

TEST(PathCore, WalkYieldsEachLevelWithBackslashRunsCollapsed)
{
    struct Case {
        const char *typed;
        std::vector<std::string> levels;
        const char *rebuilt;
    } cases[] = {
        {"c:", {}, "c:"},
        {"c:\\a", {"c:\\a"}, "c:\\a"},
        {"c:\\a\\\\b", {"c:\\a", "c:\\a\\b"}, "c:\\a\\b"},
        {"c:\\\\\\a\\\\\\b\\c", {"c:\\a", "c:\\a\\b", "c:\\a\\b\\c"}, "c:\\a\\b\\c"},
        {"d:tools\\new", {"d:tools", "d:tools\\new"}, "d:tools\\new"},   // relative to d:'s folder
        {"c:\\a/b/c", {"c:\\a/b/c"}, "c:\\a/b/c"},                       // one level
        {"T:\\Mixed Case\\ lead", {"T:\\Mixed Case", "T:\\Mixed Case\\ lead"}, "T:\\Mixed Case\\ lead"},
        {"c:\\a\\\\", {"c:\\a"}, "c:\\a"},        // unstripped closing backslashes: no empty level
        {"c:\\\\", {}, "c:"},
    };
    for (const Case &c : cases) {
        bool started = false;
        std::string rebuilt;
        std::vector<std::string> levels = WalkLevels(c.typed, &started, &rebuilt);
        EXPECT_TRUE(started) << "typed \"" << c.typed << "\"";
        EXPECT_EQ(levels, c.levels) << "typed \"" << c.typed << "\"";
        EXPECT_EQ(rebuilt, c.rebuilt) << "typed \"" << c.typed << "\"";

        char out[kCorePathSize] = "unchanged";
        EXPECT_TRUE(RebuildTypedPath(out, sizeof out, c.typed)) << "typed \"" << c.typed << "\"";
        EXPECT_STREQ(out, c.rebuilt) << "typed \"" << c.typed << "\"";
    }
}

TEST(PathCore, WalkRefusesWhatItCannotRebuild)
{
    std::string full259 = "c:\\" + std::string(256, 'n');     // one level name of 256
    std::string long260 = "c:\\" + std::string(257, 'n');
    struct Case {
        std::string typed;
        bool started;
        size_t levels;
    } cases[] = {
        {"", false, 0},
        {"c", false, 0},
        {" c:\\x", false, 0},
        {"c/x", false, 0},
        {full259, true, 1},      // longer than a level name may be, but it fits: the platform judges
        {long260, false, 0},     // no room for its NUL in a path buffer
    };
    for (const Case &c : cases) {
        bool started = false;
        std::string rebuilt;
        std::vector<std::string> levels = WalkLevels(c.typed.c_str(), &started, &rebuilt);
        EXPECT_EQ(started, c.started) << "typed of " << c.typed.size() << " \"" << c.typed << "\"";
        EXPECT_EQ(levels.size(), c.levels) << "typed \"" << c.typed << "\"";
        if (started) {
            EXPECT_EQ(rebuilt, c.typed);
        }
    }
}

TEST(PathCore, RebuildNeverWritesPastItsBuffer)
{
    // A 12-byte buffer with a guard after it: "c:\abc\\\def" rebuilds to 10 characters (fits),
    // "c:\abcdefgh\ij" to 14 (does not: the buffer keeps its text).
    struct Guarded {
        char out[12];
        char guard[8];
    } g;
    memset(g.guard, 'G', sizeof g.guard);

    strcpy(g.out, "old");
    EXPECT_TRUE(RebuildTypedPath(g.out, sizeof g.out, "c:\\abc\\\\\\def"));
    EXPECT_STREQ(g.out, "c:\\abc\\def");

    strcpy(g.out, "old");
    EXPECT_FALSE(RebuildTypedPath(g.out, sizeof g.out, "c:\\abcdefgh\\ij"));
    EXPECT_STREQ(g.out, "old");
    EXPECT_EQ(std::string(g.guard, sizeof g.guard), std::string(8, 'G'));
}

TEST(PathCore, TreeDirectoryLosesOnlyItsClosingBackslash)
{
    struct Case {
        const char *in;
        const char *out;
    } cases[] = {
        {"C:\\", "C:\\"},                 // a drive root stays whole
        {"C:\\TOOLS\\", "C:\\TOOLS"},
        {"C:\\TOOLS\\BIN\\", "C:\\TOOLS\\BIN"},
        {"", ""},
        {"C:\\TOOLS", "C:\\TOOLS"},       // no closing backslash: nothing to remove
    };
    for (const Case &c : cases) {
        char buf[kCorePathSize];
        strcpy(buf, c.in);
        DropTreeClosingBackslash(buf);
        EXPECT_STREQ(buf, c.out) << "from \"" << c.in << "\"";
    }
}

TEST(PathCore, ComposedNameFitsWholeOrNotAtAll)
{
    const std::string dir255 = "c:\\" + std::string(252, 'd');   // 255 + "\" + 3 = 259: fits
    struct Case {
        std::string folder;
        const char *name;
        bool fits;
        std::string expected;
    } cases[] = {
        {"C:\\TOOLS", "quillmar.exe", true, "C:\\TOOLS\\quillmar.exe"},
        {"C:\\", "userhelp.hlp ", true, "C:\\\\userhelp.hlp "},   // a root gets a second backslash
        {"c:", "quillmar.exe", true, "c:\\quillmar.exe"},
        {dir255, "abc", true, dir255 + "\\abc"},
        {dir255, "abcd", false, "unchanged"},
        {std::string(259, 'x'), "", false, "unchanged"},
    };
    for (const Case &c : cases) {
        struct Guarded {
            char out[kCorePathSize];
            char guard[8];
        } g;
        memset(g.guard, 'G', sizeof g.guard);
        strcpy(g.out, "unchanged");
        EXPECT_EQ(ComposeName(g.out, c.folder.c_str(), c.name), c.fits)
            << "folder of " << c.folder.size() << " + " << c.name;
        EXPECT_EQ(std::string(g.out), c.expected);
        EXPECT_EQ(std::string(g.guard, sizeof g.guard), std::string(8, 'G'));
    }

    // The folder may be the buffer itself.
    char inPlace[kCorePathSize] = "T:\\dest";
    EXPECT_TRUE(ComposeName(inPlace, inPlace, "criteria.inc"));
    EXPECT_STREQ(inPlace, "T:\\dest\\criteria.inc");
}

}  // namespace
