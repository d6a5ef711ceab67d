// rigctl: a small Windows helper for the scripts that run the installer under Wine.
//   rigctl wait TITLE [SECONDS]   exit 0 once a top-level window titled TITLE exists, 1 on timeout
//   rigctl close TITLE            ask that window to close (WM_CLOSE); exit 1 if there is none
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: rigctl wait TITLE [SECONDS] | rigctl close TITLE\n");
        return 2;
    }
    const char *title = argv[2];
    if (strcmp(argv[1], "wait") == 0) {
        int tenths = (argc > 3 ? atoi(argv[3]) : 30) * 10;
        for (int i = 0; i < tenths; ++i) {
            if (FindWindowA(NULL, title) != NULL)
                return 0;
            Sleep(100);
        }
        return 1;
    }
    if (strcmp(argv[1], "close") == 0) {
        HWND w = FindWindowA(NULL, title);
        if (w == NULL)
            return 1;
        PostMessageA(w, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
