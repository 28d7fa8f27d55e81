#include "host/check/RecordWatch.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include <fmt/format.h>

#include "host/check/RecordRules.h"

namespace kovra::host {

namespace {

// The watches alive in this process; an operation goes to the one whose
// record it came through.
std::vector<RecordWatch*>& Watches() {
    static std::vector<RecordWatch*> watches;
    return watches;
}

template <typename Element>
bool Inside(const void* address, const HostArray<Element>& array) {
    const auto* at = static_cast<const std::byte*>(address);
    const auto* begin = reinterpret_cast<const std::byte*>(array.Data);
    return array.Data != nullptr && at >= begin && at < begin + sizeof(Element) * static_cast<size_t>(array.Count);
}

// A text of the host's: in the record itself (names, descriptions, spares) or
// in the inputs, subgraphs or buttons it offers. Every other text is the study's.
bool HostOwned(const HostStudyInterface& record, const HostText* text) {
    const auto* at = reinterpret_cast<const std::byte*>(text);
    const auto* begin = reinterpret_cast<const std::byte*>(&record);
    return (at >= begin && at < begin + sizeof record) || Inside(text, record.Inputs) ||
           Inside(text, record.Subgraphs) || Inside(text, record.ControlBar);
}

std::string Formatted(const char* format, va_list arguments) {
    if (format == nullptr) return {};
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

int32_t CallBar(const HostStudyInterface& record) { return record.IsDefaultsCall != 0 ? -1 : record.CurrentBar; }

std::string CallName(int32_t bar) { return bar < 0 ? "in the defaults call" : fmt::format("on bar {}", bar); }

}  // namespace

RecordWatch::~RecordWatch() { std::erase(Watches(), this); }

void RecordWatch::Attach(HostStudyInterface& record) {
    record_ = &record;
    assign_ = record.TextAssign;
    append_ = record.TextAppend;
    formatValue_ = record.FormatValueText;
    submit_ = record.SubmitDrawing;
    record.TextAssign = &RecordWatch::TextAssign;
    record.TextAppend = &RecordWatch::TextAppend;
    record.TextFormat = &RecordWatch::TextFormat;
    record.TextAppendFormat = &RecordWatch::TextAppendFormat;
    record.FormatValueText = &RecordWatch::FormatValueText;
    record.SubmitDrawing = &RecordWatch::SubmitDrawing;
    Watches().push_back(this);
}

RecordWatch& RecordWatch::Of(HostStudyInterface* record) {
    for (RecordWatch* watch : Watches())
        if (watch->record_ == record) return *watch;
    std::abort();  // an operation of a record no watch attached to
}

std::optional<CheckVerdict> RecordWatch::HeldText() const {
    const auto first = std::min_element(held_.begin(), held_.end(),
                                        [](const auto& a, const auto& b) { return a.second.order < b.second.order; });
    if (first == held_.end()) return std::nullopt;
    const auto& [chars, obtained] = *first;
    const std::string text = fmt::format("\"{}\"", std::string_view(chars).substr(0, 60));
    return CheckVerdict::Fail(
        fmt::format("a text the study obtained {} was never released: {}", CallName(obtained.bar), text),
        obtained.bar >= 0 ? std::optional<int64_t>(obtained.bar) : std::nullopt, text);
}

void RecordWatch::Noted(const HostStudyInterface& record, const HostText* text, const char* before) {
    if (text == nullptr || HostOwned(record, text)) return;
    if (before != nullptr && before != text->Chars) held_.erase(before);
    if (text->Chars != nullptr && text->Chars != before)
        held_[text->Chars] = Obtained{obtainedTexts_++, CallBar(record)};
}

void RecordWatch::TextAssign(HostStudyInterface* host, HostText* text, const char* value) {
    RecordWatch& watch = Of(host);
    const char* before = text != nullptr ? text->Chars : nullptr;
    watch.assign_(host, text, value);
    watch.Noted(*host, text, before);
}

void RecordWatch::TextAppend(HostStudyInterface* host, HostText* text, const char* value) {
    RecordWatch& watch = Of(host);
    const char* before = text != nullptr ? text->Chars : nullptr;
    watch.append_(host, text, value);
    watch.Noted(*host, text, before);
}

// Formatted here, then assigned or appended by the host's own operation.
void RecordWatch::TextFormat(HostStudyInterface* host, HostText* text, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::string formatted = Formatted(format, arguments);
    va_end(arguments);
    TextAssign(host, text, formatted.c_str());
}

void RecordWatch::TextAppendFormat(HostStudyInterface* host, HostText* text, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::string formatted = Formatted(format, arguments);
    va_end(arguments);
    TextAppend(host, text, formatted.c_str());
}

void RecordWatch::FormatValueText(HostStudyInterface* host, double value, int32_t valueFormat, HostText* out) {
    RecordWatch& watch = Of(host);
    const char* before = out != nullptr ? out->Chars : nullptr;
    watch.formatValue_(host, value, valueFormat, out);
    watch.Noted(*host, out, before);
}

int32_t RecordWatch::SubmitDrawing(HostStudyInterface* host, DrawingRequest* request) {
    RecordWatch& watch = Of(host);
    if (request != nullptr && !watch.drawingFault_) {
        std::string fault =
            host->DrawingsSuppressed != 0 ? "submitted while drawings are suppressed" : DrawingRequestFault(*request);
        if (fault.empty()) fault = DrawingStyleFault(*request);
        if (fault.empty()) fault = DrawingReachFault(*request, host->BarCount);
        if (!fault.empty()) {
            const int32_t bar = CallBar(*host);
            const char* text = request->DrawingText.Chars != nullptr ? request->DrawingText.Chars : "";
            watch.drawingFault_ = CheckVerdict::Fail(
                fmt::format("{}: drawing {} (type {}, text \"{}\") {}", CallName(bar), request->DrawingId,
                            request->DrawingType, std::string_view(text).substr(0, 60), fault),
                bar >= 0 ? std::optional<int64_t>(bar) : std::nullopt,
                fmt::format("{} / {}", request->FirstPrice, request->SecondPrice));
        }
    }
    return watch.submit_(host, request);
}

}  // namespace kovra::host
