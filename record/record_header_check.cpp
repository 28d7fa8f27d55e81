// Compiles the record header alone, so it never depends on an include it forgot.
#include "record/HostStudyInterface.h"
