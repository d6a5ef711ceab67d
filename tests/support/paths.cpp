// Built files of this build tree, as paths that the Windows side can open.
#include "rig.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace rig {

std::string DosPath(const std::string &unixPath)
{
    typedef WCHAR *(CDECL * ToDos)(const char *);
    ToDos toDos = (ToDos)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name");
    if (toDos == NULL)
        return unixPath;   // not under Wine: the path is already the platform's own
    WCHAR *w = toDos(unixPath.c_str());
    if (w == NULL)
        return "";
    char buf[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, w, -1, buf, sizeof buf, NULL, NULL);
    HeapFree(GetProcessHeap(), 0, w);
    return buf;
}

std::string ShippedInstallExe() { return DosPath(SHIPPED_INSTALL_EXE); }
std::string PlantedDll() { return DosPath(PLANTED_DLL); }
// QUILLMAR_E2E_INSTALL_EXE, a path of this machine, names another file to start in its place
// (the release test's signed copy); the first use says which.
std::string E2eInstallExe()
{
    const char *other = getenv("QUILLMAR_E2E_INSTALL_EXE");
    if (other == NULL || *other == 0)
        return DosPath(E2E_INSTALL_EXE);
    static bool said = false;
    if (!said) {
        printf("e2e: driving %s (QUILLMAR_E2E_INSTALL_EXE)\n", other);
        fflush(stdout);
        said = true;
    }
    return DosPath(other);
}

// ---------------------------------------------------------------- the Unix side of a drive

std::string UnixName(const std::string &path)
{
    typedef char *(CDECL * ToUnix)(const WCHAR *);
    ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (toUnix == NULL)
        return "";
    std::wstring w(MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, NULL, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &w[0], (int)w.size());
    char *u = toUnix(w.c_str());
    if (u == NULL)
        return "";
    std::string s = u;
    HeapFree(GetProcessHeap(), 0, u);
    return s;
}

bool UnixShell(const std::string &script, DWORD ms)
{
    std::string sh = DosPath("/bin/sh");
    char tmp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, tmp);
    std::string status = std::string(tmp) + "rig-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(GetTickCount()) + ".status";
    std::string statusUnix = UnixName(status);
    if (sh.empty() || statusUnix.empty())
        return false;
    std::string cmd = "/bin/sh -c \"" + script + "; echo $? > '" + statusUnix + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(sh.c_str(), &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (DWORD waited = 0; waited < ms; waited += 20) {
        std::string s = ReadFile(status);
        if (!s.empty() && s.back() == '\n') {
            DeleteFileA(status.c_str());
            return atoi(s.c_str()) == 0;
        }
        Sleep(20);
    }
    return false;
}

bool MakeNumberedDirs(const std::string &parent, const std::string &format, int count)
{
    std::string unix = UnixName(parent);
    return !unix.empty() &&
           UnixShell("cd '" + unix + "' && seq -f '" + format + "' 0 " + std::to_string(count - 1) + " | xargs mkdir", 60000);
}

bool RemoveUnixTree(const std::string &path)
{
    std::string unix = UnixName(path);
    return !unix.empty() && UnixShell("rm -rf '" + unix + "'", 60000);
}

}  // namespace rig
