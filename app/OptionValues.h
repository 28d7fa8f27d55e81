// Option values read strictly: a whole number in its documented range, or a
// usage error that names the range (never clamped, never wrapped around).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace kovra::app {

// A decimal whole number (an optional leading minus, digits only) from
// `lowest` to `highest`; throws CLI::ValidationError naming the option and the range.
int64_t ParseWholeNumber(std::string_view option, const std::string& text, int64_t lowest, int64_t highest);
uint64_t ParseUnsigned64(std::string_view option, const std::string& text);
// A finite decimal number (1000, 0.5, 2.5e1) from `lowest` to `highest`; not
// "nan" or "inf". Throws CLI::ValidationError naming the option and the range.
double ParseFiniteNumber(std::string_view option, const std::string& text, double lowest, double highest);

// Declares `--name N` storing into `value` through ParseWholeNumber.
template <typename Integer>
CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, Integer& value, int64_t lowest,
                                  int64_t highest, const std::string& description);

// Declares `--name FILE`; an empty name is a usage error.
CLI::Option* AddFileOption(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& description, const std::string& typeName = "FILE");

}  // namespace kovra::app
