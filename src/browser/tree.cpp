// placeholder: being written
#include "vendrel.h"
DirBoxInfo Struct1[kDirBoxEntries], Struct2[kDirBoxEntries], Struct3[kDirBoxEntries]; DirBoxInfo *LbStructPtr;
int FillDirectoryBox(HWND, int, int) { return 1; }
void PartialFillDirBox(HWND, int) {}
char *GetThePath(int, HWND) { static char Path[kPathSize]; return Path; }
