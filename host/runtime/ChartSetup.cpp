#include "host/runtime/ChartSetup.h"

#include "host/bars/PriceStep.h"

namespace kovra::host {

SessionOptions SessionOptionsFor(const LoadedBars& loaded, const ChartSetup& setup) {
    SessionOptions session;
    session.studyIdentifier = setup.studyIdentifier;
    session.valueFormat = setup.valueFormat.value_or(PriceDecimalsOf(loaded.priceDecimals));
    session.tickSize = SmallestPriceStep(loaded.bars, PriceDecimalsOf(loaded.priceDecimals));
    session.timeframe = setup.timeframe;
    return session;
}

}  // namespace kovra::host
