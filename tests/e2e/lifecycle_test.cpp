// The built install.exe as a process of its own: it opens its dialog over its main window,
// and every way out ends it with status 0.
#include "remote.h"
#include "rig.h"
#include "vendrel0.h"

namespace {

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig::CleanScratch();
        rig::MakeDirs(kSource);
        ASSERT_TRUE(CopyFileA(rig::E2eInstallExe().c_str(), (kSource + std::string("\\install.exe")).c_str(), FALSE))
            << "cannot stage " << rig::E2eInstallExe();
    }
    void TearDown() override { rig::CleanScratch(); }
    static constexpr const char *kSource = "C:\\qtest\\src";
    std::string Exe() const { return std::string(kSource) + "\\install.exe"; }
};

TEST_F(Lifecycle, EveryWayOutEndsTheProgramWithStatus0)
{
    struct Way {
        const char *name;
        void (*act)(rig::InstallerProcess &p);
    };
    const Way ways[] = {
        {"Cancel", [](rig::InstallerProcess &p) { p.PressCancel(); }},
        {"Esc", [](rig::InstallerProcess &p) {
             HWND focus = GetDlgItem(p.dialog(), IDC_PROG_DRIVE);
             PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
             PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
         }},
        {"close box", [](rig::InstallerProcess &p) { PostMessageW(p.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE to the dialog", [](rig::InstallerProcess &p) { PostMessageW(p.dialog(), WM_CLOSE, 0, 0); }},
        {"system menu of the main window", [](rig::InstallerProcess &p) { PostMessageW(p.mainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        rig::InstallerProcess p;
        ASSERT_TRUE(p.Start(Exe(), kSource));
        RECT d, m;
        GetWindowRect(p.dialog(), &d);
        GetWindowRect(p.mainWindow(), &m);
        EXPECT_TRUE(EqualRect(&d, &m)) << "the main window lies under the dialog";
        if (&way == &ways[0]) {
            EXPECT_EQ(p.SwapErrorMode(), (UINT)SEM_FAILCRITICALERRORS) << "disk errors come back as errors, not system boxes";
        }
        way.act(p);
        EXPECT_EQ(p.WaitExit(), 0);
        rig::RemoteBox box;
        EXPECT_FALSE(p.NextBox(&box, 0)) << "unexpected message box: " << box.text;
    }
    EXPECT_TRUE(rig::FileExists(Exe())) << "closing never touches the source folder";
    EXPECT_EQ(rig::ReadSettingsFile(), "") << "closing writes no settings";
}

}  // namespace
