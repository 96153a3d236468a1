// Records must not see the file formats built on top of them.
#include "docview/DataFile.h"
