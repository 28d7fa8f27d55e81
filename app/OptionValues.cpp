#include "app/OptionValues.h"

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <limits>

namespace kovra::app {
namespace {

bool ParseDigits(std::string_view digits, uint64_t& magnitude) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    return !digits.empty() && error == std::errc{} && end == digits.data() + digits.size();
}

}  // namespace

int64_t ParseWholeNumber(std::string_view option, const std::string& text, int64_t lowest, int64_t highest) {
    const bool negative = !text.empty() && text.front() == '-';
    uint64_t magnitude = 0;
    const bool digits = ParseDigits(std::string_view(text).substr(negative ? 1 : 0), magnitude);
    const uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (digits && magnitude <= limit) {
        const int64_t value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
        if (value >= lowest && value <= highest) return value;
    }
    throw CLI::ValidationError(std::string(option),
                               fmt::format("'{}' is not a whole number from {} to {}", text, lowest, highest));
}

uint64_t ParseUnsigned64(std::string_view option, const std::string& text) {
    uint64_t value = 0;
    if (ParseDigits(text, value)) return value;
    throw CLI::ValidationError(std::string(option), fmt::format("'{}' is not a whole number from 0 to {}", text,
                                                                std::numeric_limits<uint64_t>::max()));
}

double ParseFiniteNumber(std::string_view option, const std::string& text, double lowest, double highest) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool number = !text.empty() && error == std::errc{} && end == text.data() + text.size();
    if (number && std::isfinite(value) && value >= lowest && value <= highest) return value;
    throw CLI::ValidationError(std::string(option),
                               fmt::format("'{}' is not a number from {} to {}", text, lowest, highest));
}

template <typename Integer>
CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, Integer& value, int64_t lowest,
                                  int64_t highest, const std::string& description) {
    return command
        .add_option_function<std::string>(
            name,
            [name, &value, lowest, highest](const std::string& text) {
                value = static_cast<Integer>(ParseWholeNumber(name, text, lowest, highest));
            },
            fmt::format("{} ({} to {})", description, lowest, highest))
        ->type_name("N");
}

template CLI::Option* AddWholeNumberOption<int32_t>(CLI::App&, const std::string&, int32_t&, int64_t, int64_t,
                                                    const std::string&);
template CLI::Option* AddWholeNumberOption<int64_t>(CLI::App&, const std::string&, int64_t&, int64_t, int64_t,
                                                    const std::string&);

CLI::Option* AddFileOption(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& description, const std::string& typeName) {
    return command
        .add_option_function<std::string>(
            name,
            [name, &value](const std::string& text) {
                if (text.empty()) throw CLI::ValidationError(name, "the file name is empty");
                value = text;
            },
            description)
        ->type_name(typeName);
}

}  // namespace kovra::app
