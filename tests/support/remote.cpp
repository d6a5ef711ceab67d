// Test support for driving install.exe from another process (being written).
#include "rig.h"
