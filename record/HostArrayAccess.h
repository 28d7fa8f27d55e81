// The host array access rule, written once and used for every host array the
// study reads or writes.
#pragma once

#include <cstdint>

#include "record/HostStudyInterface.h"

namespace kovra::record {

// Asks the host for the array's storage when it is still absent; true when the
// array then has elements.
template <typename Element>
bool ResolveHostArray(HostStudyInterface& host, HostArray<Element>& array) {
    if (array.Data == nullptr && host.FetchArray != nullptr) host.FetchArray(&host, array.FetchKey);
    return array.Data != nullptr && array.Count > 0;
}

// Element `index` of a host array: the spare element when the array stays
// absent or empty (writes to it are lost), otherwise the element at the index
// clamped to 0 .. Count-1.
template <typename Element>
Element& HostArrayAccess(HostStudyInterface& host, HostArray<Element>& array, int32_t index) {
    if (!ResolveHostArray(host, array)) return array.Spare;
    if (index < 0) index = 0;
    if (index >= array.Count) index = array.Count - 1;
    return array.Data[index];
}

}  // namespace kovra::record
