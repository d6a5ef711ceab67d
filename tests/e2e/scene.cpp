// The scene of an end-to-end run: see scene.h.
#include "scene.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

#include "rig.h"
#include "vendrel0.h"

namespace scene {

// ---------------------------------------------------------------- names and files

std::wstring Wide(const std::string &utf8)
{
    if (utf8.empty())
        return L"";
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), NULL, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &w[0], n);
    return w;
}

std::string Utf8(const std::wstring &w)
{
    if (w.empty())
        return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), NULL, 0, NULL, NULL);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], n, NULL, NULL);
    return s;
}

std::string Ansi(const std::string &utf8)
{
    std::wstring w = Wide(utf8);
    if (w.empty())
        return "";
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), NULL, 0, NULL, NULL);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), (int)w.size(), &s[0], n, NULL, NULL);
    return s;
}

namespace {

// The \\?\ form: no length limit, no rewriting of the name.
std::wstring Long(const std::string &path) { return L"\\\\?\\" + Wide(path); }

std::string Join(const std::string &folder, const std::string &name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

std::string BaseName(const std::string &path) { return path.substr(path.rfind('\\') + 1); }

DWORD Attributes(const std::string &path) { return GetFileAttributesW(Long(path).c_str()); }

// The entries of folder but "." and "..": name and whether it is a folder.
std::vector<std::pair<std::string, bool>> Entries(const std::string &folder)
{
    std::vector<std::pair<std::string, bool>> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Long(Join(folder, "*")).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return out;
    do {
        if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0)
            continue;
        out.emplace_back(Utf8(fd.cFileName), (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
}

}  // namespace

bool Exists(const std::string &path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDir(const std::string &path)
{
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirs(const std::string &path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\')
            CreateDirectoryW(Long(path.substr(0, i)).c_str(), NULL);
    }
    if (!IsDir(path))
        ADD_FAILURE() << "could not create folder " << path;
}

void Write(const std::string &path, const std::string &bytes)
{
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "could not create file " << path << " (error " << GetLastError() << ")";
        return;
    }
    DWORD written = 0;
    WriteFile(h, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(h);
}

std::string Read(const std::string &path)
{
    HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "";
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, NULL) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

void EmptyFolder(const std::string &path)
{
    for (const auto &e : Entries(path))
        RemoveTree(Join(path, e.first));
}

void RemoveTree(const std::string &path)
{
    DWORD a = Attributes(path);
    if (a == INVALID_FILE_ATTRIBUTES)
        return;
    if (a & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(Long(path).c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        EmptyFolder(path);
        RemoveDirectoryW(Long(path).c_str());
    } else {
        DeleteFileW(Long(path).c_str());
    }
}

// ---------------------------------------------------------------- the Unix side of a drive

using rig::UnixName;
using rig::UnixShell;

void MakeManyFiles(const std::string &folder, int count)
{
    std::string unix = UnixName(folder);
    if (!unix.empty() &&
        UnixShell("cd '" + unix + "' && seq -f f%05g.txt 0 " + std::to_string(count - 1) + " | xargs touch", 60000))
        return;
    for (int i = 0; i < count; ++i) {
        char name[16];
        snprintf(name, sizeof name, "f%05d.txt", i);
        HANDLE h = CreateFileW(Long(Join(folder, name)).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
}

namespace {

// The devices that links point to are nodes of the test's own, in a folder of the rig's
// prefix that no drive reaches: whatever the program does through a link (change its mode,
// delete or replace what it points to) stays inside the prefix.
std::string DeviceFolder()
{
    std::string c = UnixName("C:\\");   // PREFIX/dosdevices/c:/
    size_t at = c.rfind("/dosdevices/");
    return at == std::string::npos ? "" : c.substr(0, at) + "/devices";
}

}  // namespace

bool LinkToDevice(const std::string &path, const std::string &device)
{
    const char *numbers = device == "/dev/null" ? "1 3" : device == "/dev/full" ? "1 7" : NULL;
    std::string folder = UnixName(path.substr(0, path.rfind('\\')));
    std::string nodes = DeviceFolder();
    if (numbers == NULL || folder.empty() || nodes.empty())
        return false;
    std::string node = nodes + device.substr(4);
    return UnixShell("mkdir -p '" + nodes + "' && rm -f '" + node + "' && mknod -m 666 '" + node + "' c " + numbers +
                         " && ln -s '" + node + "' '" + folder + "/" + BaseName(path) + "'",
                     10000);
}

bool LinkTo(const std::string &path, const std::string &target)
{
    std::string folder = UnixName(path.substr(0, path.rfind('\\')));
    return !folder.empty() && UnixShell("ln -s '" + UnixName(target) + "' '" + folder + "/" + BaseName(path) + "'", 10000);
}

bool SmallDisk(const std::string &folder, int kib)
{
    return UnixShell("mount -t tmpfs -o size=" + std::to_string(kib) + "k quillmar-small '" + UnixName(folder) + "'",
                     10000);
}

namespace {

std::string UnixArgs(const std::vector<std::string> &paths)
{
    std::string out;
    for (const std::string &p : paths)
        out += " '" + UnixName(p) + "'";
    return out;
}

}  // namespace

std::vector<std::string> UnixModes(const std::vector<std::string> &paths)
{
    char tmp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tmp);
    std::string out = std::string(tmp) + "scene-modes.txt";
    std::vector<std::string> modes;
    std::string text;
    if (UnixShell("stat -c %a" + UnixArgs(paths) + " > '" + UnixName(out) + "'", 10000))
        text = rig::ReadFile(out);
    DeleteFileA(out.c_str());
    for (size_t at = 0; modes.size() < paths.size(); ) {
        size_t end = text.find('\n', at);
        modes.push_back(end == std::string::npos ? "?" : text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return modes;
}

bool ChangeUnix(const std::string &command, const std::vector<std::string> &paths)
{
    return UnixShell(command + UnixArgs(paths), 10000);
}

bool OthersMayWrite(const std::string &mode)
{
    return mode.size() != 3 || ((mode[2] - '0') & 2);
}

void RemoveBigTree(const std::string &folder)
{
    if (!rig::RemoveUnixTree(folder))
        RemoveTree(folder);
}

// ---------------------------------------------------------------- product files

namespace {

const char *const kProductNames[] = {"quillmar.exe", "install.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"};

}  // namespace

bool IsProductFile(const std::string &name)
{
    for (const char *p : kProductNames) {
        if (name == p)
            return true;
    }
    return false;
}

const std::string &ProductBytes(const std::string &name)
{
    static std::map<std::string, std::string> bytes;
    auto it = bytes.find(name);
    if (it != bytes.end())
        return it->second;
    std::string b;
    if (name == "install.exe") {
        b = rig::ReadFile(rig::E2eInstallExe());
    } else {
        b = "Quillmar " + name + "\r\n";
        for (size_t i = 0; i < 3000 + 101 * name.size(); ++i)
            b += (char)((i * 7 + (unsigned char)name[i % name.size()]) & 0xFF);
        b += std::string(1, '\0') + "\r\n\x1a";
    }
    return bytes[name] = b;
}

void StageSource(const std::string &folder, const std::string &exeName, const std::set<std::string> &missing)
{
    MakeDirs(folder);
    ASSERT_FALSE(ProductBytes("install.exe").empty()) << "cannot read " << rig::E2eInstallExe();
    Write(Join(folder, exeName), ProductBytes("install.exe"));
    for (const char *name : {"quillmar.exe", "userhelp.hlp", "criteria.inc", "criteria.exc"}) {
        if (!missing.count(name))
            Write(Join(folder, name), ProductBytes(name));
    }
    MakeDirs(kEditorDir);
    Write(Join(kEditorDir, kEditor), "the user's text editor");
}

// ---------------------------------------------------------------- snapshots

namespace {

void Walk(const std::string &folder, const std::set<std::string> &sealed, Snapshot *s)
{
    for (const auto &e : Entries(folder)) {
        std::string path = Join(folder, e.first);
        if (e.second) {
            s->dirs.insert(path);
            if (!sealed.count(path))
                Walk(path, sealed, s);
        } else {
            s->files[path] = Read(path);
        }
    }
}

}  // namespace

Snapshot Take(const std::set<std::string> &sealed)
{
    Snapshot s;
    Walk("R:\\", sealed, &s);
    Walk("T:\\", sealed, &s);
    for (const auto &e : Entries("C:\\")) {
        std::string path = Join("C:\\", e.first);
        if (!e.second) {
            s.files[path] = Read(path);
            continue;
        }
        s.dirs.insert(path);
        if (_stricmp(e.first.c_str(), "qtest") == 0 || _stricmp(e.first.c_str(), "quillmar") == 0)
            Walk(path, sealed, &s);
    }
    return s;
}

std::vector<std::string> Changes(const Snapshot &before, const Snapshot &after)
{
    std::vector<std::string> out;
    for (const std::string &d : after.dirs) {
        if (!before.dirs.count(d))
            out.push_back("+ " + d + "\\");
    }
    for (const std::string &d : before.dirs) {
        if (!after.dirs.count(d))
            out.push_back("- " + d + "\\");
    }
    for (const auto &f : after.files) {
        auto was = before.files.find(f.first);
        if (was != before.files.end() && was->second == f.second)
            continue;
        std::string name = BaseName(f.first);
        bool product = IsProductFile(name) && f.second == ProductBytes(name);
        out.push_back((was == before.files.end() ? "+ " : "* ") + f.first +
                      (product ? "" : " (" + std::to_string(f.second.size()) + " bytes)"));
    }
    for (const auto &f : before.files) {
        if (!after.files.count(f.first))
            out.push_back("- " + f.first);
    }
    return Sorted(out);
}

std::vector<std::string> ProgramCopies(const std::string &dir)
{
    return {"+ " + Join(dir, "install.exe"), "+ " + Join(dir, "quillmar.exe"), "+ " + Join(dir, "userhelp.hlp")};
}

std::vector<std::string> CriteriaCopies(const std::string &dir)
{
    return {"+ " + Join(dir, "criteria.exc"), "+ " + Join(dir, "criteria.inc")};
}

std::vector<std::string> DefaultCopies() { return std::vector<std::string>{"+ C:\\quillmar\\"} + ProgramCopies("C:\\quillmar"); }

std::vector<std::string> SourceRemoved(const std::string &folder)
{
    return {"- " + Join(folder, "criteria.exc"), "- " + Join(folder, "criteria.inc"),
            "- " + Join(folder, "quillmar.exe"), "- " + Join(folder, "userhelp.hlp")};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string Block(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) {
        for (char c : l)
            out += c == '\n' ? std::string("\\n") : std::string(1, c);
        out += '\n';
    }
    return out;
}

// ---------------------------------------------------------------- settings file

std::vector<std::string> SettingsLines(const std::vector<std::string> &expected)
{
    std::string text = rig::ReadSettingsFile();
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(text.substr(at) + " [no CR LF]");
            break;
        }
        std::string line = text.substr(at, end - at);
        if (line.find_first_of("\r\n") != std::string::npos)
            line += " [bare CR or LF]";
        lines.push_back(line);
        at = end + 2;
    }
    for (std::string &line : lines) {
        if (line.rfind("help=", 0) == 0 && std::find(expected.begin(), expected.end(), line + " ") != expected.end())
            line += " ";
    }
    return lines;
}

// ---------------------------------------------------------------- one run

void Session::Collect(size_t expected)
{
    for (const rig::RemoteBox &b : p.AnswerBoxes(expected))
        boxes.push_back(b.caption + "|" + b.text + (b.owner == p.dialog() ? "" : " [owner: other]"));
}

void Session::Ok(size_t expected)
{
    p.PressOk();
    Collect(expected);
}

void Session::PickEditor(const std::string &dir, const std::string &file)
{
    EXPECT_TRUE(p.BrowseTo(IDC_EDITOR_DIR, Ansi(dir))) << "editor folder " << dir << " not in the tree";
    p.PickFile(IDC_EDITOR_FILE, Ansi(file));
    EXPECT_NE(p.ListSel(IDC_EDITOR_FILE), LB_ERR) << "editor file " << file << " not in the list";
}

Outcome Run(const std::function<void(Session &)> &act, const std::string &exe, const std::string &folder,
            const std::set<std::string> &sealed)
{
    Outcome o;
    Snapshot before = Take(sealed);
    {
        Session s;
        o.started = s.p.Start(exe.empty() ? Join(folder, "install.exe") : exe, folder);
        if (o.started) {
            act(s);
            s.p.PressCancel();
            o.exitStatus = s.p.WaitExit();
        }
        o.boxes = s.boxes;
    }
    o.changes = Changes(before, Take(sealed));
    return o;
}

void Check(const Case &c)
{
    SCOPED_TRACE(c.name);
    Scrub();
    StageSource(c.source, c.exeName, c.missing);
    if (c.stage)
        c.stage();
    Outcome o = Run(
        [&](Session &s) {
            s.PickEditor(c.editorDir, c.editorFile);
            c.choose(s);
            if (s.boxes.size() < c.boxes.size())
                s.Ok(c.boxes.size() - s.boxes.size());
        },
        c.exe.empty() ? Join(c.source, c.exeName) : c.exe, c.source, c.sealed);
    ASSERT_TRUE(o.started) << "the installer did not show its dialog";
    EXPECT_EQ(Block(c.boxes), Block(o.boxes)) << "message boxes";
    EXPECT_EQ(Block(c.settings), Block(SettingsLines(c.settings))) << "QUILLMAR.INI";
    EXPECT_EQ(Block(Sorted(c.changes)), Block(o.changes)) << "entries on the drives";
    EXPECT_EQ(o.exitStatus, 0);
}

void Scrub()
{
    // Small disks first, so that nothing of them is left mounted on a drive.
    UnixShell("for m in $(awk '/^quillmar-small /{print $2}' /proc/mounts); do umount $m; done", 10000);
    for (const char *drive : {"R:\\", "T:\\"}) {
        EmptyFolder(drive);
        // What the platform cannot delete (a link to a device) goes through the Unix shell.
        for (const auto &e : Entries(drive))
            RemoveBigTree(Join(drive, e.first));
    }
    RemoveTree(rig::kScratchC);
    RemoveTree("C:\\quillmar");
    rig::CleanScratch();
    // A link to a device in the place of the settings file, which the platform can neither
    // delete nor read the attributes of: listed, it goes through the Unix shell.
    WIN32_FIND_DATAW found;
    HANDLE settings = FindFirstFileW(Wide(rig::SettingsFilePath()).c_str(), &found);
    if (settings != INVALID_HANDLE_VALUE) {
        FindClose(settings);
        RemoveBigTree(rig::SettingsFilePath());
    }
    // The device nodes that those links pointed to.
    std::string nodes = DeviceFolder();
    if (!nodes.empty() && GetFileAttributesA(rig::DosPath(nodes).c_str()) != INVALID_FILE_ATTRIBUTES)
        UnixShell("rm -rf '" + nodes + "'", 10000);
}

}  // namespace scene
