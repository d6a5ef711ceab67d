// The built install.exe as a process of its own: it opens its dialog over its main window,
// every way out ends it with status 0, and a DLL planted beside it never runs in it.
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

// Makes Wine prefer a uxtheme.dll found on disk to its own for programs named `exe`, as Windows
// does for every DLL that is not one of its known DLLs (null: Wine's own order again).
void PreferDiskUxtheme(const char *exe, bool prefer)
{
    std::string key = std::string("Software\\Wine\\AppDefaults\\") + exe;
    if (!prefer) {
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
        return;
    }
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), 0, NULL, 0, KEY_SET_VALUE, NULL, &k,
                              NULL), ERROR_SUCCESS);
    RegSetValueExA(k, "uxtheme", 0, REG_SZ, (const BYTE *)"native,builtin", 15);
    RegCloseKey(k);
}

// A uxtheme.dll planted in the source folder, beside install.exe: the system's own code loads
// that DLL by name once a program starts. A program that does not restrict its DLL search,
// started from the same folder, runs it (which shows that the plant works); the installer never
// does.
TEST_F(Lifecycle, ADllPlantedBesideTheProgramNeverRuns)
{
    const std::string marker = std::string(kSource) + "\\planted-dll-ran";
    ASSERT_TRUE(CopyFileA(rig::PlantedDll().c_str(), (kSource + std::string("\\uxtheme.dll")).c_str(), FALSE))
        << "cannot plant " << rig::PlantedDll();
    const std::string probe = std::string(kSource) + "\\probe.exe";
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\rundll32.exe").c_str(), probe.c_str(), FALSE));
    struct Preference {
        Preference() { PreferDiskUxtheme("probe.exe", true), PreferDiskUxtheme("install.exe", true); }
        ~Preference() { PreferDiskUxtheme("probe.exe", false), PreferDiskUxtheme("install.exe", false); }
    } preference;

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + probe + "\"";
    if (CreateProcessA(probe.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, kSource, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 20000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    EXPECT_TRUE(rig::FileExists(marker)) << "the planted DLL did not run in a program without the restriction";
    DeleteFileA(marker.c_str());

    {
        rig::InstallerProcess p;
        EXPECT_TRUE(p.Start(Exe(), kSource));
        p.PressCancel();
        EXPECT_EQ(p.WaitExit(), 0);
    }
    EXPECT_FALSE(rig::FileExists(marker)) << "the installer ran the uxtheme.dll of its own folder";
}

}  // namespace
