// Built files of this build tree, as paths that the Windows side can open.
#include "rig.h"

#include <stdio.h>
#include <stdlib.h>

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

}  // namespace rig
