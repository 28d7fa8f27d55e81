// The checks of the catalogue, each run in a check process of its own (see
// CheckCatalogue.cpp for their names and strictness).
#pragma once

#include "host/check/CheckCatalogue.h"
#include "host/check/CheckVerdict.h"

namespace kovra::host {

CheckVerdict CheckExports(const CheckContext& context);
CheckVerdict CheckDefaultsCall(const CheckContext& context);
CheckVerdict CheckArrayAccess(const CheckContext& context);
CheckVerdict CheckDeterminism(const CheckContext& context);
CheckVerdict CheckHiddenState(const CheckContext& context);
CheckVerdict CheckRecalculation(const CheckContext& context);
CheckVerdict CheckLiveConsistency(const CheckContext& context);
CheckVerdict CheckDrawings(const CheckContext& context);
CheckVerdict CheckButtons(const CheckContext& context);
CheckVerdict CheckHostileBars(const CheckContext& context);
CheckVerdict CheckSpeed(const CheckContext& context);

}  // namespace kovra::host
