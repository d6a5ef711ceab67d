// The dialog template and the string table, read back from the install.exe that ships (and
// from the test program, which links the same resources), item by item.
#include <string.h>

#include "rig.h"
#include "vendrel.h"

namespace {

struct Item {
    int id;
    int atom;
    DWORD style;
    short x, y, cx, cy;
    const char *text;
};

const Item kItems[37] = {
    {101, 0x85, 0x50010003, 23, 95, 65, 55, ""},
    {102, 0x83, 0x50A10403, 22, 120, 65, 64, ""},
    {103, 0x83, 0x50A10003, 22, 195, 65, 30, ""},
    {201, 0x85, 0x50010003, 144, 94, 66, 55, " "},
    {202, 0x83, 0x50A10003, 144, 119, 66, 63, ""},
    {203, 0x83, 0x50A10003, 144, 195, 66, 30, ""},
    {2, 0x80, 0x50010000, 342, 173, 42, 15, "Cancel"},
    {1, 0x80, 0x50010001, 342, 206, 41, 14, "OK"},
    {65535, 0x82, 0x50000007, 141, 79, 74, 150, "Quillmar.exe"},
    {65535, 0x82, 0x50000007, 19, 79, 73, 149, "Quillmar.exe"},
    {65535, 0x82, 0x50020000, 146, 186, 50, 8, "Files"},
    {65535, 0x82, 0x50020000, 146, 108, 50, 8, "Directory"},
    {65535, 0x82, 0x50020000, 146, 83, 55, 10, "Drive"},
    {65535, 0x82, 0x50020000, 24, 186, 50, 8, "Files"},
    {65535, 0x82, 0x50020000, 24, 109, 50, 8, "Directory"},
    {65535, 0x82, 0x50020000, 25, 84, 55, 10, "Drive"},
    {105, 0x80, 0x50010007, 3, 1, 104, 57, "Install quillmar.exe to:-"},
    {109, 0x80, 0x50000009, 6, 27, 95, 12, "an existing dir"},
    {110, 0x80, 0x50000009, 6, 13, 95, 12, "default dir (c:\\quillmar\\)"},
    {111, 0x80, 0x50000009, 6, 41, 98, 14, "a new  directory"},
    {112, 0x81, 0x50810080, 2, 240, 105, 13, "Enter new directory path here"},
    {301, 0x85, 0x50010003, 250, 94, 66, 55, " "},
    {302, 0x83, 0x50A10003, 250, 119, 66, 63, ""},
    {303, 0x83, 0x50A10003, 250, 195, 66, 30, ""},
    {65535, 0x82, 0x50000007, 247, 78, 74, 150, "Quillmar.exe"},
    {65535, 0x82, 0x50020000, 252, 186, 50, 8, "Files"},
    {65535, 0x82, 0x50020000, 252, 108, 50, 8, "Directory"},
    {65535, 0x82, 0x50020000, 252, 83, 55, 10, "Drive"},
    {205, 0x80, 0x50010007, 128, 4, 104, 50, "Copy include/exclude files to:-"},
    {209, 0x80, 0x50000009, 131, 17, 71, 15, "an existing dir"},
    {210, 0x80, 0x50000009, 131, 34, 77, 14, "a new  directory"},
    {65535, 0x82, 0x50020000, 247, 60, 72, 18, "The location of your text editor:-"},
    {212, 0x81, 0x50810080, 128, 239, 105, 13, "Enter new directory path here"},
    {65535, 0x82, 0x50020000, 143, 70, 60, 8, "Existing directory"},
    {65535, 0x82, 0x50020000, 21, 70, 60, 8, "Existing directory"},
    {65535, 0x82, 0x50000007, 117, 1, 1, 254, ""},
    {65535, 0x82, 0x50000007, 239, 1, 1, 254, ""},
};

// A reader of the standard template format: WORDs, ordinals (0xFFFF, value) or UTF-16 texts,
// items aligned on DWORDs.
struct Reader {
    const BYTE *base;
    size_t pos;
    size_t size;
    bool overrun = false;

    WORD Word()
    {
        if (pos + 2 > size) {
            overrun = true;
            return 0;
        }
        WORD w;
        memcpy(&w, base + pos, 2);
        pos += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD lo = Word();
        return lo | (DWORD)Word() << 16;
    }
    // A text, or an ordinal given back as "#n".
    std::string SzOrOrd()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s;
        for (WORD c = first; c != 0 && !overrun; c = Word())
            s += c < 0x80 ? (char)c : '?';
        return s;
    }
    void AlignDword() { pos = (pos + 3) & ~(size_t)3; }
};

void CheckTemplate(HMODULE module, const char *what)
{
    SCOPED_TRACE(what);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(IDD_INSTALL), (LPCSTR)RT_DIALOG);
    ASSERT_NE(res, nullptr);
    ASSERT_EQ(SizeofResource(module, res), 1838u);
    Reader r{(const BYTE *)LockResource(LoadResource(module, res)), 0, 1838};
    ASSERT_NE(r.base, nullptr);

    EXPECT_EQ(r.Dword(), 0x90CA0040u) << "dialog style";
    EXPECT_EQ(r.Dword(), 0u) << "extended style";
    EXPECT_EQ(r.Word(), 37) << "items";
    EXPECT_EQ((short)r.Word(), 4);
    EXPECT_EQ((short)r.Word(), 18);
    EXPECT_EQ((short)r.Word(), 388);
    EXPECT_EQ((short)r.Word(), 256);
    EXPECT_EQ(r.SzOrOrd(), "") << "menu";
    EXPECT_EQ(r.SzOrOrd(), "") << "class";
    EXPECT_EQ(r.SzOrOrd(), "Install Quillmar");
    EXPECT_EQ(r.Word(), 8) << "point size";
    EXPECT_EQ(r.SzOrOrd(), "MS Sans Serif");

    for (int i = 0; i < 37; ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        const Item &want = kItems[i];
        r.AlignDword();
        EXPECT_EQ(r.Dword(), want.style);
        EXPECT_EQ(r.Dword(), 0u) << "extended style";
        EXPECT_EQ((short)r.Word(), want.x);
        EXPECT_EQ((short)r.Word(), want.y);
        EXPECT_EQ((short)r.Word(), want.cx);
        EXPECT_EQ((short)r.Word(), want.cy);
        EXPECT_EQ(r.Word(), want.id);
        EXPECT_EQ(r.SzOrOrd(), "#" + std::to_string(want.atom)) << "class atom";
        EXPECT_EQ(r.SzOrOrd(), want.text);
        EXPECT_EQ(r.Word(), 0) << "creation data";
    }
    EXPECT_FALSE(r.overrun);
    EXPECT_EQ(r.pos, 1838u) << "the last item ends the template";

    char text[64] = {};
    EXPECT_EQ(LoadStringA(module, IDS_APPNAME, text, sizeof text), 21);
    EXPECT_STREQ(text, "Quillmar installation");
}

TEST(Template, ShippedInstallExeHoldsTheDialogItemByItem)
{
    std::string exe = rig::ShippedInstallExe();
    HMODULE m = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m, nullptr) << "cannot open " << exe;
    CheckTemplate(m, "shipped install.exe");
    FreeLibrary(m);

    // Its manifest parses: Windows refuses to start a program whose manifest is malformed.
    ACTCTXA ctx = {};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.lpSource = exe.c_str();
    ctx.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE actx = CreateActCtxA(&ctx);
    EXPECT_NE(actx, INVALID_HANDLE_VALUE) << "manifest of " << exe << ": error " << GetLastError();
    if (actx != INVALID_HANDLE_VALUE)
        ReleaseActCtx(actx);
}

TEST(Template, TestProgramLinksTheSameResources)
{
    CheckTemplate(GetModuleHandleA(NULL), "this test program");
}

// The live dialog has the template's 37 controls, with the template's texts, in the template's
// order but for its labels: each "Drive", "Directory" and "Files" label stands just before the
// control it names, without WS_GROUP, which the two radio group boxes have instead; a hidden
// label of its own stands before each typed-path field.
TEST(Template, LiveDialogHasEveryControlWithItsLabelBeforeIt)
{
    const int kHidden = -1;
    const int kOrder[] = {15, 0,  14, 1,  13, 2,  12, 3,  11, 4,  10, 5,       6,  7,  8,  9,  16, 17, 18, 19,
                          kHidden, 20, 27, 21, 26, 22, 25, 23, 24, 28, 29, 30, 31, kHidden, 32, 33, 34, 35, 36};
    rig::MessageBoxCapture boxes;
    HWND dlg = rig::StartInstaller("C:\\");
    ASSERT_NE(dlg, nullptr);
    std::string want, got;
    HWND c = GetWindow(dlg, GW_CHILD);
    for (int item : kOrder) {
        // A combo box's text is its selected drive.
        bool combo = item != kHidden && kItems[item].atom == 0x85;
        want += item == kHidden ? "hidden label" : std::to_string(kItems[item].id) + " '" + (combo ? "C:" : kItems[item].text) + "'";
        want += "\n";
        if (c == NULL)
            continue;
        char text[64] = {};
        GetWindowTextA(c, text, sizeof text);
        DWORD style = GetWindowLongA(c, GWL_STYLE);
        got += (style & WS_VISIBLE) == 0 ? "hidden label" : std::to_string(GetDlgCtrlID(c)) + " '" + text + "'";
        got += "\n";
        bool moved = item == 16 || item == 28 || (item >= 10 && item <= 15) || (item >= 25 && item <= 27);
        if (item >= 0) {
            EXPECT_EQ((kItems[item].style ^ (moved ? WS_GROUP : 0)) & WS_GROUP, style & WS_GROUP) << "item " << item;
        }
        c = GetWindow(c, GW_HWNDNEXT);
    }
    EXPECT_EQ(c, nullptr) << "more controls than expected";
    EXPECT_EQ(want, got);
    char caption[64] = {};
    GetWindowTextA(dlg, caption, sizeof caption);
    EXPECT_STREQ(caption, "Install Quillmar");
    EXPECT_TRUE(boxes.boxes().empty());
    rig::StopInstaller();
}

}  // namespace
