// The host array access rule, written once and used for every host array the
// study reads or writes.
#pragma once

#include <cstdint>
#include <span>

#include "record/HostStudyInterface.h"

namespace kovra::record {

// Asks the host for the array's storage when it is still absent; true when the
// array then has elements.
template <typename Element>
bool ResolveHostArray(HostStudyInterface& host, HostArray<Element>& array) {
    if (array.Data == nullptr && host.FetchArray != nullptr) host.FetchArray(&host, array.FetchKey);
    return array.Data != nullptr && array.Count > 0;
}

// A host array resolved once (the host asked for its storage if absent), then
// read and written by the access rule for the rest of the call: the storage
// stays put for that long, so the study need not ask again per element.
template <typename Element>
class ResolvedHostArray {
public:
    // None yet, nothing initialised: only assignment may follow.
    ResolvedHostArray() = default;
    ResolvedHostArray(HostStudyInterface& host, HostArray<Element>& array)
        : data_(nullptr), spare_(&array.Spare), count_(0) {
        if (!ResolveHostArray(host, array)) return;
        data_ = array.Data;
        count_ = array.Count;
    }

    // The spare element when the array stays absent or empty (writes to it
    // are lost), otherwise the element at the index clamped to 0 .. Count-1.
    Element& operator[](int32_t index) const {
        if (count_ == 0) return *spare_;
        if (index < 0) index = 0;
        if (index >= count_) index = count_ - 1;
        return data_[index];
    }

    // Whether element `index` is the array's own, reached without clamping.
    bool Holds(int32_t index) const { return index >= 0 && index < count_; }

    // The held elements first .. last (first >= 0); empty when none is held.
    std::span<Element> Elements(int32_t first, int32_t last) const {
        if (last >= count_) last = count_ - 1;
        if (first > last) return {};
        return {data_ + first, static_cast<size_t>(last - first + 1)};
    }

private:
    Element* data_;
    Element* spare_;
    int32_t count_;  // 0 while the spare stands in
};

// Elements first .. last of a host array (resolved if absent) when it holds
// them all, where the access rule reaches them without clamping; else empty.
template <typename Element>
std::span<Element> HeldElements(HostStudyInterface& host, HostArray<Element>& array, int32_t first, int32_t last) {
    if (!ResolveHostArray(host, array) || first < 0 || first > last || last >= array.Count) return {};
    return {array.Data + first, static_cast<size_t>(last - first + 1)};
}

// Element `index` of a host array by the access rule (see ResolvedHostArray).
template <typename Element>
Element& HostArrayAccess(HostStudyInterface& host, HostArray<Element>& array, int32_t index) {
    return ResolvedHostArray<Element>(host, array)[index];
}

}  // namespace kovra::record
