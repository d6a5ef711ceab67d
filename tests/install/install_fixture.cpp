// The installation tests' shared fixture (see install_fixture.h).
#include "install_fixture.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

namespace it {

namespace {

struct Slot {
    const char *dll;
    const char *name;
    void *was;   // what the slot held before the test's function, null while it holds that
};
Slot gSlots[] = {{"advapi32.dll", "GetNamedSecurityInfoA", nullptr},
                 {"advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorA", nullptr},
                 {"kernel32.dll", "GetACP", nullptr}};
std::string gOwner;
UINT gCodePage;

// The owner asked for, in a descriptor of its own that the caller frees with LocalFree.
DWORD WINAPI OwnerAsAsked(LPCSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *owner, PSID *group, PACL *dacl,
                          PACL *sacl, PSECURITY_DESCRIPTOR *sd)
{
    typedef BOOL(WINAPI * ConvertFn)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR *, PULONG);
    // Not through the import slot, which FailProtection may hold.
    ConvertFn convert = (ConvertFn)(void *)GetProcAddress(GetModuleHandleA("advapi32.dll"),
                                                          "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    BOOL defaulted;
    if (!convert(("O:" + gOwner).c_str(), SDDL_REVISION_1, sd, NULL) ||
        !GetSecurityDescriptorOwner(*sd, owner, &defaulted))
        return ERROR_INVALID_SID;
    for (void **none : {(void **)group, (void **)dacl, (void **)sacl}) {
        if (none)
            *none = NULL;
    }
    return ERROR_SUCCESS;
}

BOOL WINAPI NoDescriptor(LPCSTR, DWORD, PSECURITY_DESCRIPTOR *sd, PULONG)
{
    *sd = NULL;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

UINT WINAPI CodePageAsAsked() { return gCodePage; }

bool Replace(Slot &slot, void *with)
{
    void *was = rig::HookImportFrom(slot.dll, slot.name, with);
    if (slot.was == nullptr)
        slot.was = was;
    return was != nullptr;
}

}  // namespace

bool ReadOwnersAs(const std::string &owner)
{
    gOwner = owner;
    return Replace(gSlots[0], (void *)OwnerAsAsked);
}

bool FailProtection() { return Replace(gSlots[1], (void *)NoDescriptor); }

bool ReportCodePage(UINT cp)
{
    gCodePage = cp;
    return Replace(gSlots[2], (void *)CodePageAsAsked);
}

void RestorePlatform()
{
    for (Slot &slot : gSlots) {
        if (slot.was != nullptr)
            rig::HookImportFrom(slot.dll, slot.name, slot.was);
        slot.was = nullptr;
    }
}

std::vector<std::string> FilesIn(const std::string &dir)
{
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(Join(dir, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

static std::wstring LongName(const std::string &path)
{
    std::wstring w = L"\\\\?\\";
    for (char c : path)
        w += (wchar_t)(unsigned char)c;
    return w;
}

void WriteLongFile(const std::string &path, const std::string &content)
{
    HANDLE h = CreateFileW(LongName(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << path.size() << "-character " << path;
    DWORD written = 0;
    ::WriteFile(h, content.data(), (DWORD)content.size(), &written, NULL);
    CloseHandle(h);
}

bool LongFileExists(const std::string &path)
{
    return GetFileAttributesW(LongName(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteLongFile(const std::string &path) { DeleteFileW(LongName(path).c_str()); }

std::vector<std::string> SettingsLines()
{
    std::vector<std::string> lines;
    std::string text = rig::ReadSettingsFile();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string Setting(const std::string &key)
{
    for (const std::string &line : SettingsLines())
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    return kAbsent;
}

// Product files at the root of C:, where a group with no destination would have gone.
static const char *const kStrayAtRoot[] = {"C:\\quillmar.exe", "C:\\install.exe", "C:\\userhelp.hlp",
                                           "C:\\criteria.inc", "C:\\criteria.exc"};

void InstallTest::SetUp()
{
    rig::InstallerTest::SetUp();
    rig::RemoveTree(kDefaultDir);
    for (const char *stray : kStrayAtRoot)
        ASSERT_FALSE(rig::FileExists(stray)) << stray << " was there before the test";
}

void InstallTest::TearDown()
{
    RestorePlatform();
    rig::InstallerTest::TearDown();   // the dialog goes before its files
    for (const std::string &f : longFiles_)
        DeleteLongFile(f);
    rig::CleanScratch();
    rig::RemoveTree(kDefaultDir);
    for (const char *stray : kStrayAtRoot)
        DeleteFileA(stray);
}

void InstallTest::StageSource(const std::string &dir, const std::string &missing)
{
    source_ = dir;
    rig::MakeDirs(dir);
    for (const std::vector<std::string> *group : {&kProgramFiles, &kCriteriaFiles})
        for (const std::string &name : *group)
            if (name != missing)
                rig::WriteFile(Join(dir, name), Content(name));
    rig::MakeDirs(kEditorDir);
    rig::WriteFile(Join(kEditorDir, kEditorFile), "editor");
}

HWND InstallTest::StartIn(const std::string &dir)
{
    source_ = dir;
    return Start(dir);
}

void InstallTest::StartReady()
{
    StageSource();
    StartIn(kSource);
    PickEditor();
}

void InstallTest::OpenInTree(int treeId, const std::string &path)
{
    rig::PickDrive(dlg, treeId - 1, path.substr(0, 2));
    int level = 1;
    size_t at = 3;
    while (at < path.size()) {
        size_t end = path.find('\\', at);
        if (end == std::string::npos)
            end = path.size();
        std::string want = std::string(level, ' ') + path.substr(at, end - at);
        std::vector<std::string> lines = rig::ListLines(dlg, treeId);
        auto found = std::find(lines.begin(), lines.end(), want);
        ASSERT_NE(found, lines.end()) << "no line \"" << want << "\" in tree " << treeId;
        rig::DoubleClickLine(dlg, treeId, (int)(found - lines.begin()));
        level++;
        at = end + 1;
    }
}

void InstallTest::PickEditor()
{
    OpenInTree(IDC_EDITOR_DIR, kEditorDir);
    rig::PickFile(dlg, IDC_EDITOR_FILE, kEditorFile);
}

void InstallTest::Uncheck(int id)
{
    CheckDlgButton(dlg, id, BST_UNCHECKED);
}

::testing::AssertionResult InstallTest::SourceHas(const std::vector<std::string> &names, bool present)
{
    for (const std::string &name : names) {
        std::string path = Join(source_, name);
        bool ok = present ? rig::ReadFile(path) == Content(name) : !rig::FileExists(path);
        if (!ok)
            return ::testing::AssertionFailure()
                   << path << ": expected " << (present ? "present with its bytes" : "gone")
                   << ", actual " << (rig::FileExists(path) ? "present" : "gone");
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult InstallTest::CopiedTo(const std::string &dir, const std::vector<std::string> &names)
{
    for (const std::string &name : names) {
        std::string path = Join(dir, name);
        std::string bytes = rig::ReadFile(path);
        if (bytes != Content(name))
            return ::testing::AssertionFailure() << path << ": not the " << Content(name).size()
                                                 << " bytes of its source (" << bytes.size() << " bytes there)";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace it
