// The publisher takes JSON objects; it never sees the recording's classes.
#include "record/Document.h"
