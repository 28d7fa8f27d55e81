// A host room reading the study's layout past the seam: the floors check must refuse it.
#include "layout/StudyLayout.h"
