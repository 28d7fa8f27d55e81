// How a fuzz target turns a broken property into a finding libFuzzer keeps.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kovra::fuzz {

inline void AbortOnViolation(const std::string& violation) {
    if (violation.empty()) return;
    std::fprintf(stderr, "property violated: %s\n", violation.c_str());
    std::abort();
}

}  // namespace kovra::fuzz
