// placeholder: being written
#include "vendrel.h"
char FloppyDrives[6]; char HardDrives[21]; char AllDrives[26]; int NumDrives; char gPath2[kPathSize];
void FindDrives(char *, char *) {}
void FillDrivesBox(HWND, int) {}
