// placeholder: being written
#include "vendrel.h"
void FillFileBox(HWND, int, int) {}
void ClearFileBox(HWND, int) {}
