// Entry point of install.exe: start the shell, then run its message loop until the main
// window is gone. The exit status is the quit message's value, always 0.
#include "vendrel.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpszCmdLine, int cmdShow)
{
    InitVendrel(hInstance, hPrevInstance, lpszCmdLine, cmdShow);
    return RunVendrel();
}
