// The drawings a study instance has in force, as JSON, for readers that check
// or replay the chart picture.
#pragma once

#include <string>

#include "host/runtime/ChartSession.h"

namespace kovra::host {

// An object with "StudyIdentifier", "Passes" (drawing passes the study ran),
// "PersistentIntegers" ({"1": frame start, "2": frame end, "3": last drawn}),
// "LastBar", "LastBarTop" and "LastBarBottom" (its 8/8th and 0/8th, null when
// no value), and "Drawings": one object per drawing in submission order, every
// DrawingRequest field under its record name, null where "not given". Prices
// are the float's exact value, so reading them back as float gives the same bits.
std::string FormatDrawingsJson(const ChartSession& session);

}  // namespace kovra::host
