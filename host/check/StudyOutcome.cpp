#include "host/check/StudyOutcome.h"

#include <bit>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#include <fmt/format.h>

#include "host/text/FloatText.h"

namespace kovra::host {

namespace {

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

// Two values that print alike (NaNs with different payloads) are told by their bits.
std::pair<std::string, std::string> TwoFloatTexts(float a, float b) {
    std::string ta = FloatText(a), tb = FloatText(b);
    if (ta == tb) {
        ta += fmt::format(" (bits 0x{:08X})", std::bit_cast<uint32_t>(a));
        tb += fmt::format(" (bits 0x{:08X})", std::bit_cast<uint32_t>(b));
    }
    return {ta, tb};
}

std::optional<OutcomeDifference> SeriesDifference(const StudyOutcome& found, const StudyOutcome& expected,
                                                  std::string_view expectedName) {
    const size_t subgraphs = std::max(found.series.size(), expected.series.size());
    static const std::vector<float> kNone;
    for (size_t s = 0; s < subgraphs; ++s) {
        const std::vector<float>& a = s < found.series.size() ? found.series[s] : kNone;
        const std::vector<float>& b = s < expected.series.size() ? expected.series[s] : kNone;
        if (a.empty() != b.empty())
            return OutcomeDifference{
                fmt::format("subgraph {} is {} (it is {} {})", s, a.empty() ? "never written" : "written",
                            b.empty() ? "never written" : "written", expectedName),
                {},
                {}};
        for (size_t bar = 0; bar < std::min(a.size(), b.size()); ++bar) {
            if (SameBits(a[bar], b[bar])) continue;
            const auto [ta, tb] = TwoFloatTexts(a[bar], b[bar]);
            return OutcomeDifference{fmt::format("subgraph {} at bar {} is {} ({} {})", s, bar, ta, tb, expectedName),
                                     static_cast<int64_t>(bar), ta};
        }
        if (a.size() != b.size())
            return OutcomeDifference{
                fmt::format("subgraph {} has {} values ({} {})", s, a.size(), b.size(), expectedName), {}, {}};
    }
    return std::nullopt;
}

std::optional<OutcomeDifference> PersistentDifference(const StudyOutcome& found, const StudyOutcome& expected,
                                                      std::string_view expectedName) {
    auto valueOf = [](const std::map<int32_t, int32_t>& values, int32_t key) {
        const auto at = values.find(key);
        return at != values.end() ? at->second : 0;
    };
    std::map<int32_t, int32_t> keys = found.persistent;
    keys.insert(expected.persistent.begin(), expected.persistent.end());
    for (const auto& [key, unused] : keys) {
        const int32_t a = valueOf(found.persistent, key), b = valueOf(expected.persistent, key);
        if (a != b)
            return OutcomeDifference{
                fmt::format("persistent integer {} is {} ({} {})", key, a, b, expectedName), {}, std::to_string(a)};
    }
    return std::nullopt;
}

// The fields of a drawing the picture shows, in the order a difference is told.
struct DrawingField {
    const char* name;
    std::string (*text)(const StoredDrawing&);
};
const DrawingField kDrawingFields[] = {
    {"type", [](const StoredDrawing& d) { return std::to_string(d.request().DrawingType); }},
    {"first bar", [](const StoredDrawing& d) { return std::to_string(d.request().FirstBar); }},
    {"second bar", [](const StoredDrawing& d) { return std::to_string(d.request().SecondBar); }},
    {"first price", [](const StoredDrawing& d) { return FloatText(d.request().FirstPrice); }},
    {"second price", [](const StoredDrawing& d) { return FloatText(d.request().SecondPrice); }},
    {"date-time", [](const StoredDrawing& d) { return std::to_string(d.request().FirstDateTime); }},
    {"text", [](const StoredDrawing& d) { return "\"" + d.text + "\""; }},
    {"line colour", [](const StoredDrawing& d) { return fmt::format("0x{:08X}", d.request().LineColour); }},
    {"fill colour", [](const StoredDrawing& d) { return fmt::format("0x{:08X}", d.request().FillColour); }},
};

std::optional<OutcomeDifference> DrawingsDifference(const StudyOutcome& found, const StudyOutcome& expected,
                                                    std::string_view expectedName) {
    for (size_t i = 0; i < std::min(found.drawings.size(), expected.drawings.size()); ++i) {
        const StoredDrawing& a = found.drawings[i];
        const StoredDrawing& b = expected.drawings[i];
        const DrawingRequest ra = a.request(), rb = b.request();
        if (a.text == b.text && std::memcmp(&ra, &rb, sizeof ra) == 0) continue;
        const std::string which = fmt::format("drawing {} (id {})", i + 1, ra.DrawingId);
        const std::optional<int64_t> bar =
            ra.FirstBar != kNotGivenInteger ? std::optional<int64_t>(ra.FirstBar) : std::nullopt;
        if (ra.DrawingId != rb.DrawingId)
            return OutcomeDifference{fmt::format("{} is id {} {}", which, rb.DrawingId, expectedName), bar, {}};
        for (const DrawingField& field : kDrawingFields)
            if (const std::string ta = field.text(a), tb = field.text(b); ta != tb)
                return OutcomeDifference{fmt::format("{} has {} {} ({} {})", which, field.name, ta, tb, expectedName),
                                         bar, ta};
        return OutcomeDifference{fmt::format("{} differs in its other fields from {}", which, expectedName), bar, {}};
    }
    if (found.drawings.size() != expected.drawings.size())
        return OutcomeDifference{
            fmt::format("{} drawings in force ({} {})", found.drawings.size(), expected.drawings.size(), expectedName),
            {},
            {}};
    return std::nullopt;
}

// Plain values in and out of a byte string.
class Bytes {
public:
    explicit Bytes(std::string_view bytes) : bytes_(bytes) {}
    template <typename Value>
    Value Take() {
        static_assert(std::is_trivially_copyable_v<Value>);
        if (bytes_.size() < sizeof(Value)) throw std::runtime_error("a study outcome cut short");
        Value value;
        std::memcpy(&value, bytes_.data(), sizeof value);
        bytes_.remove_prefix(sizeof value);
        return value;
    }
    std::string TakeText(size_t length) {
        if (bytes_.size() < length) throw std::runtime_error("a study outcome cut short");
        std::string text(bytes_.substr(0, length));
        bytes_.remove_prefix(length);
        return text;
    }

private:
    std::string_view bytes_;
};

template <typename Value>
void Put(std::string& out, const Value& value) {
    static_assert(std::is_trivially_copyable_v<Value>);
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

std::string FloatText(float value) {
    fmt::memory_buffer out;
    AppendFloatText(out, value);
    return fmt::to_string(out);
}

StudyOutcome OutcomeOf(const StudyInstance& study) {
    StudyOutcome outcome;
    const int32_t bars = study.chart().bars.size();
    outcome.series.resize(study.subgraphs().size());
    for (size_t s = 0; s < outcome.series.size(); ++s) {
        if (!study.SeriesFetched(static_cast<int32_t>(s))) continue;
        for (int32_t bar = 0; bar < bars; ++bar)
            outcome.series[s].push_back(study.SeriesValue(static_cast<int32_t>(s), bar));
    }
    outcome.persistent.insert(study.persistentIntegers().begin(), study.persistentIntegers().end());
    for (const StoredDrawing* drawing : study.chart().drawings.DrawingsOf(study.studyIdentifier()))
        outcome.drawings.push_back(*drawing);
    return outcome;
}

std::optional<OutcomeDifference> FirstDifference(const StudyOutcome& found, const StudyOutcome& expected,
                                                 unsigned parts, std::string_view expectedName) {
    if (parts & kSeriesPart)
        if (auto difference = SeriesDifference(found, expected, expectedName)) return difference;
    if (parts & kPersistentPart)
        if (auto difference = PersistentDifference(found, expected, expectedName)) return difference;
    if (parts & kDrawingsPart)
        if (auto difference = DrawingsDifference(found, expected, expectedName)) return difference;
    return std::nullopt;
}

std::string SerialiseOutcome(const StudyOutcome& outcome) {
    std::string out;
    Put(out, static_cast<uint64_t>(outcome.series.size()));
    for (const std::vector<float>& values : outcome.series) {
        Put(out, static_cast<uint64_t>(values.size()));
        out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
    }
    Put(out, static_cast<uint64_t>(outcome.persistent.size()));
    for (const auto& [key, value] : outcome.persistent) Put(out, key), Put(out, value);
    Put(out, static_cast<uint64_t>(outcome.drawings.size()));
    for (const StoredDrawing& drawing : outcome.drawings) {
        Put(out, drawing.studyIdentifier);
        Put(out, drawing.request());
        Put(out, static_cast<uint64_t>(drawing.text.size()));
        out += drawing.text;
    }
    return out;
}

StudyOutcome ParseOutcome(std::string_view bytes) {
    Bytes in(bytes);
    StudyOutcome outcome;
    outcome.series.resize(in.Take<uint64_t>());
    for (std::vector<float>& values : outcome.series) {
        values.resize(in.Take<uint64_t>());
        for (float& value : values) value = in.Take<float>();
    }
    for (uint64_t count = in.Take<uint64_t>(); count > 0; --count) {
        const auto key = in.Take<int32_t>();
        outcome.persistent[key] = in.Take<int32_t>();
    }
    for (uint64_t count = in.Take<uint64_t>(); count > 0; --count) {
        const auto studyIdentifier = in.Take<int32_t>();
        const auto request = in.Take<DrawingRequest>();
        outcome.drawings.emplace_back(studyIdentifier, request, in.TakeText(in.Take<uint64_t>()));
    }
    return outcome;
}

}  // namespace kovra::host
