// A DLL for planting beside a program: it records that it was loaded (an empty file
// "planted-dll-ran" beside itself) and refuses to stay. Built as uxtheme.dll, a DLL that the
// system's own code loads by name once a program starts (Wine's user32 as Windows' does).
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        n--;
    if (n > 0 && n + 16 < MAX_PATH) {
        lstrcpyA(path + n, "planted-dll-ran");
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    return FALSE;
}
