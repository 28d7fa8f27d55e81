#include "host/serve/EngineCore.h"

#include <cstdint>
#include <random>

#include <fmt/format.h>

namespace kovra::host {

namespace {

std::string NewInstance() {
    std::random_device random;
    const uint64_t bits = (static_cast<uint64_t>(random()) << 32) ^ random();
    return fmt::format("{:016x}", bits);
}

}  // namespace

EngineCore::EngineCore() : instanceName(NewInstance()) {}

}  // namespace kovra::host
