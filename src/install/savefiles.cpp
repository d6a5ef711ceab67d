// placeholder: being written
#include "vendrel.h"
int SaveToBatFile(HWND, int, int) { return 1; }
