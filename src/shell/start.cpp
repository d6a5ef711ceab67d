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

// The image's entry point (the linker's default entry name for a GUI program). The stack is
// realigned for the compiler's assumptions; the process ends with WinMain's result.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup(void)
{
    // Failures of the disk reach the program as errors, not as the system's "No Disk" box:
    // an empty card reader or CD drive picked in a drive list then shows its root alone.
    SetErrorMode(SEM_FAILCRITICALERRORS);
    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    int cmdShow = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, CommandTail(), cmdShow));
}
