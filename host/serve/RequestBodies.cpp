#include "host/serve/RequestBodies.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace kovra::host {

namespace {

using json = nlohmann::json;

constexpr size_t kMaxSettings = 64, kMaxSettingBytes = 256;

// A text field of one setting object.
std::string TextField(const json& setting, const char* key, const char* list) {
    if (!setting.is_object() || !setting.contains(key) || !setting[key].is_string() ||
        setting[key].get_ref<const std::string&>().size() > kMaxSettingBytes)
        throw std::invalid_argument(
            fmt::format("each of \"{}\" must have \"{}\" as a text of at most {} bytes", list, key, kMaxSettingBytes));
    return setting[key].get<std::string>();
}

const json& SettingList(const json& body, const char* key) {
    static const json kNone = json::array();
    if (!body.contains(key)) return kNone;
    if (!body[key].is_array()) throw std::invalid_argument(fmt::format("\"{}\" must be a list", key));
    return body[key];
}

json ParseBody(std::string_view text, std::initializer_list<std::string_view> keys) {
    json body = json::parse(text, nullptr, false);
    if (body.is_discarded() || !body.is_object()) throw std::invalid_argument("the body must be a JSON object");
    for (const auto& item : body.items()) {
        if (std::find(keys.begin(), keys.end(), item.key()) == keys.end())
            throw std::invalid_argument(fmt::format("unknown field \"{}\"", item.key()));
    }
    return body;
}

}  // namespace

StudySettings SettingsFromJson(std::string_view text) {
    const json body = ParseBody(text, {"inputs", "subgraphs"});
    StudySettings settings;
    for (const json& setting : SettingList(body, "inputs"))
        settings.inputs.push_back({TextField(setting, "input", "inputs"), TextField(setting, "value", "inputs")});
    for (const json& setting : SettingList(body, "subgraphs"))
        settings.subgraphs.push_back({TextField(setting, "subgraph", "subgraphs"),
                                      TextField(setting, "field", "subgraphs"),
                                      TextField(setting, "value", "subgraphs")});
    if (settings.inputs.size() + settings.subgraphs.size() > kMaxSettings)
        throw std::invalid_argument(fmt::format("at most {} settings at once", kMaxSettings));
    return settings;
}

ReplayRequest ReplayFromJson(std::string_view text) {
    const json body = ParseBody(text, {"action", "speed", "start"});
    ReplayRequest replay;
    if (body.contains("action")) {
        const json& action = body["action"];
        if (action == "play")
            replay.action = ReplayRequest::Action::kPlay;
        else if (action == "pause")
            replay.action = ReplayRequest::Action::kPause;
        else if (action == "step")
            replay.action = ReplayRequest::Action::kStep;
        else
            throw std::invalid_argument("\"action\" must be \"play\", \"pause\" or \"step\"");
    }
    if (body.contains("speed")) {
        const json& speed = body["speed"];
        if (!speed.is_number() || !(speed.get<double>() >= kMinReplaySpeed && speed.get<double>() <= kMaxReplaySpeed))
            throw std::invalid_argument(fmt::format("\"speed\" must be a number of bars per second from {} to {}",
                                                    kMinReplaySpeed, kMaxReplaySpeed));
        replay.speed = speed.get<double>();
    }
    if (body.contains("start")) {
        const json& start = body["start"];
        if (!start.is_number_integer() || start.get<int64_t>() < 1 || start.get<int64_t>() > INT32_MAX)
            throw std::invalid_argument("\"start\" must be a bar number of 1 or more");
        replay.startBar = static_cast<int32_t>(start.get<int64_t>());
    }
    return replay;
}

std::optional<Timeframe> TimeframeFromJson(std::string_view text) {
    const json body = ParseBody(text, {"timeframe"});
    const auto field = body.find("timeframe");
    if (field == body.end() || !field->is_string() || field->get_ref<const std::string&>().size() > kMaxSettingBytes)
        throw std::invalid_argument(
            fmt::format("\"timeframe\" must be a timeframe such as \"5m\", or \"{}\"", kAsInTheFile));
    const std::string& name = field->get_ref<const std::string&>();
    if (name == kAsInTheFile) return std::nullopt;
    try {
        return ParseTimeframe(name);
    } catch (const TimeframeError& error) {
        throw std::invalid_argument(fmt::format("\"timeframe\": {}", error.what()));
    }
}

std::optional<std::vector<std::string>> AlertLinesFromJson(std::string_view text) {
    const json body = ParseBody(text, {"lines"});
    const auto field = body.find("lines");
    if (field == body.end() || field->is_null()) return std::nullopt;
    const auto refuse = [] {
        throw std::invalid_argument(fmt::format(
            "\"lines\" must be null (every line) or a list of at most {} line names such as \"8/8th\"", kMaxSettings));
    };
    if (!field->is_array() || field->size() > kMaxSettings) refuse();
    std::vector<std::string> lines;
    for (const json& line : *field) {
        if (!line.is_string() || line.get_ref<const std::string&>().size() > kMaxSettingBytes) refuse();
        lines.push_back(line.get<std::string>());
    }
    return lines;
}

}  // namespace kovra::host
