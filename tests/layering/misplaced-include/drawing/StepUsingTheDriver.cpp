// A drawing step that reaches up into the driver: the floor check must refuse it.
#include "study/FrameDriver.h"
