// Where install.exe begins (linked with -nostartfiles: see the installer target in
// CMakeLists.txt). The program uses nothing that the C runtime's start-up code prepares: no
// command-line arguments, no global objects with constructors (every global is zero- or
// constant-initialised), no threads, no thread-local data, no atexit. msvcrt.dll initialises
// itself when it loads, so malloc and the string functions work as usual. That start-up code
// was about half of the program's size.
//
// A global object with a constructor added later would not be constructed here: it would need
// a call of the runtime's __main() before WinMain.
#include "vendrel.h"

#include <stddef.h>

// The command line after the program's name, as the runtime would hand it to WinMain.
static LPSTR CommandTail(void)
{
    LPSTR p = GetCommandLineA();
    if (*p == '"') {
        for (p++; *p != 0 && *p != '"'; p++) {
        }
        if (*p != 0)
            p++;
    } else {
        while (*(unsigned char *)p > ' ')
            p++;
    }
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

// The program runs elevated, and often from a Downloads folder where anyone's files land: a
// DLL that Windows or its components load by name must never come from the program's own
// folder or the current one (both the source folder). From here on, loads by name search
// System32 alone. SetDefaultDllDirectories exists from Windows 8, and on Vista and 7 with
// update KB2533623; without it, SetDllDirectoryW("") at least takes the current folder out of
// the search (Windows XP SP1 and later). Both are looked up, so that the program starts where
// they are missing.
static void RestrictDllSearch(void)
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryWFn)(LPCWSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault =
        (SetDefaultDllDirectoriesFn)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryWFn setDir = (SetDllDirectoryWFn)(void *)GetProcAddress(kernel, "SetDllDirectoryW");
    if (setDir != NULL)
        setDir(L"");
}

// The load configuration, which the post-link step (scripts/pe-load-config) enters in the PE
// header. Its one field that is not zero, DependentLoadFlags, makes Windows 10 and 11 resolve
// the imports of our imports from System32 as well, before the first instruction runs. Their
// loaders read that field only from a record that reaches GuardFlags (0x5C bytes in a 32-bit
// image, 0x94 in a 64-bit one); older ones read what they know of it, and the zero fields
// ask for nothing (no security cookie, no handler table, no control-flow guard). A zero cookie
// is refused only by images that declare subsystem version 6.3 or later: ours declares 4.0.
struct LoadConfig {
    static constexpr size_t kFlagsAt = sizeof(void *) == 4 ? 0x36 : 0x4E;
    static constexpr size_t kSize = sizeof(void *) == 4 ? 0x5C : 0x94;
    DWORD Size;
    BYTE Zero1[kFlagsAt - sizeof(DWORD)];
    WORD DependentLoadFlags;
    BYTE Zero2[kSize - kFlagsAt - sizeof(WORD)];
};
static_assert(sizeof(LoadConfig) == LoadConfig::kSize && offsetof(LoadConfig, DependentLoadFlags) == LoadConfig::kFlagsAt,
              "the fields where the loader reads them");
extern "C" {
extern const LoadConfig _load_config_used;
alignas(void *) const LoadConfig _load_config_used = {sizeof(LoadConfig), {}, LOAD_LIBRARY_SEARCH_SYSTEM32, {}};
}

// The image's entry point (the linker's default entry name for a GUI program). The stack is
// realigned for the compiler's assumptions; the process ends with WinMain's result.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup(void)
{
    RestrictDllSearch();   // first: nothing before it may load a DLL
    // Failures of the disk reach the program as errors, not as the system's "No Disk" box:
    // an empty card reader or CD drive picked in a drive list then shows its root alone.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    int cmdShow = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, CommandTail(), cmdShow));
}
