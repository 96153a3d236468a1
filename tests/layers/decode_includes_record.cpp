// A decoder must not see the documents built on top of it.
#include "record/Document.h"
