// The fuzzer's bytes read as typed values. Reads past the end give zeros, so
// every input, however short, decodes to exactly one case.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace kovra::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool exhausted() const { return position_ >= size_; }

    uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    bool Flag() { return (Byte() & 1) != 0; }

    // sizeof(T) bytes copied as they are (zeros past the end).
    template <typename T>
    T Raw() {
        static_assert(std::is_trivially_copyable_v<T>);
        unsigned char bytes[sizeof(T)] = {};
        const size_t taken = std::min(sizeof(T), size_ - std::min(position_, size_));
        if (taken > 0) std::memcpy(bytes, data_ + position_, taken);
        position_ += taken;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // 0 .. bound-1 from two bytes (bound at most 65536).
    uint32_t Below(uint32_t bound) { return bound == 0 ? 0 : Raw<uint16_t>() % bound; }

    // A length byte, then up to that many bytes (at most maxLength).
    std::string Text(size_t maxLength) {
        const size_t wanted = std::min<size_t>(Byte(), maxLength);
        const size_t available = size_ - std::min(position_, size_);
        const size_t taken = std::min(wanted, available);
        std::string text(reinterpret_cast<const char*>(data_ + position_), taken);
        position_ += taken;
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

}  // namespace kovra::fuzz
