// The per-bar frame driver in its plainest form, kept beside the tests as the
// reference the library's driver must match bit for bit: every bar scans its
// whole window front to back, calls the level routine and writes every series
// element through the host array access rule.
#pragma once

#include "record/HostStudyInterface.h"

namespace kovra::testing {

// The study function with the reference driver: the library's defaults call,
// then the reference driver on every bar call.
void ReferenceStudy(HostStudyInterface& host);

}  // namespace kovra::testing
