// Checks shared by the browser tests: a tree's list box and its DirBoxInfo array compared side
// by side with the expected lines, and folder names made in bulk.
#pragma once

#include <stdio.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "rig.h"
#include "vendrel.h"

namespace bt {

using Strings = std::vector<std::string>;

struct Line {
    int level;
    std::string name;   // the root's text at Level 0
};

inline std::string Text(const Line &l) { return std::string(l.level, ' ') + l.name; }
inline std::string Text(const DirBoxInfo &e) { return std::string(e.String, strnlen(e.String, sizeof e.String)); }
inline DirBoxInfo *ArrayOf(int dirId) { return dirId == 102 ? Struct1 : dirId == 202 ? Struct2 : Struct3; }

// The open path (root text, then one name per level), then `subdirs` one level deeper.
inline std::vector<Line> Tree(const Strings &openPath, const Strings &subdirs = {})
{
    std::vector<Line> t;
    for (const std::string &s : openPath)
        t.push_back({(int)t.size(), s});
    for (const std::string &s : subdirs)
        t.push_back({(int)openPath.size(), s});
    return t;
}

// List box and array both show `want`, line k as entry k, every later entry free, line `sel`
// selected; with `more`, the list box has that one line more, after the array's. A mismatch
// prints the differing rows: expected | list line | array entry.
inline ::testing::AssertionResult TreeShows(HWND dlg, int dirId, const std::vector<Line> &want, int sel,
                                            const std::string &more = "")
{
    Strings lines = rig::ListLines(dlg, dirId);
    const DirBoxInfo *a = ArrayOf(dirId);
    std::ostringstream diff;
    for (size_t k = 0; k <= (size_t)kDirBoxEntries; ++k) {
        std::string w = k < want.size() ? std::to_string(want[k].level) + " \"" + Text(want[k]) + "\"" : "free";
        std::string wl = k < want.size() ? "\"" + Text(want[k]) + "\"" : k == want.size() && !more.empty() ? "\"" + more + "\"" : "-";
        std::string l = k < lines.size() ? "\"" + lines[k] + "\"" : "-";
        std::string e = k == (size_t)kDirBoxEntries ? "free"
                        : a[k].Level == -1          ? "free"
                                                    : std::to_string(a[k].Level) + " \"" + Text(a[k]) + "\"";
        if (w != e || l != wl)
            diff << "  " << k << " | " << w << " | " << l << " | " << e << "\n";
    }
    if (diff.str().empty() && rig::ListSel(dlg, dirId) == sel)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "tree " << dirId << ": selection expected " << sel << ", actual "
                                         << rig::ListSel(dlg, dirId) << "\n" << diff.str();
}

// stem000, stem001, ...: `count` names from `first`, numbers of `digits` digits.
inline Strings Numbered(const std::string &stem, int count, int first = 0, int digits = 3)
{
    Strings out;
    for (int i = first; i < first + count; ++i) {
        char num[16];
        snprintf(num, sizeof num, "%0*d", digits, i);
        out.push_back(stem + num);
    }
    return out;
}

inline void MakeDirsIn(const std::string &parent, const Strings &names)
{
    for (const std::string &n : names)
        rig::MakeDirs(parent + "\\" + n);
}

// The browser tests' fixture. Every change of a browser list's lines is watched from before the
// dialog is made, and so is every RedrawWindow call of the program (at this test program's
// import slot): each change must be followed, with redraw on, by a repaint of the whole list
// with its frame (RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN) before the list's
// next fill begins, and before the test ends. Windows repaints nothing when redraw comes back
// on, and a scroll bar that came or went in the non-client area only with RDW_FRAME.
class Browsers : public rig::InstallerTest {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The bytes of all three arrays, to prove that a call wrote nothing.
inline std::string ArrayBytes()
{
    return std::string((const char *)Struct1, sizeof Struct1) + std::string((const char *)Struct2, sizeof Struct2) +
           std::string((const char *)Struct3, sizeof Struct3);
}

}  // namespace bt
