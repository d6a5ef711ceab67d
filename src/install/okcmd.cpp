// placeholder: being written
#include "vendrel.h"
int InstallErrCount;
INT_PTR OkCommand(HWND) { return 1; }
