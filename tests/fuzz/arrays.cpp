// The three arrays that shadow the directory list boxes. The program defines them beside the
// code that fills the list boxes; the native build of the platform-free rules defines them here.
#include "vendrel0.h"

DirBoxInfo Struct1[kDirBoxEntries];
DirBoxInfo Struct2[kDirBoxEntries];
DirBoxInfo Struct3[kDirBoxEntries];
