// placeholder: being written
#include "vendrel.h"
