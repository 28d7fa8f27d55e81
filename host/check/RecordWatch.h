// Watches what a study does through the record's operations: the texts it
// obtains from the host and must release before its call returns, and every
// drawing it submits, checked against the record's drawing rules as it comes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "host/check/CheckVerdict.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

class RecordWatch {
public:
    RecordWatch() = default;
    ~RecordWatch();
    RecordWatch(const RecordWatch&) = delete;
    RecordWatch& operator=(const RecordWatch&) = delete;

    // Wraps the text operations and SubmitDrawing of `record`, which must
    // outlive the watch or be the last thing it watches.
    void Attach(HostStudyInterface& record);

    // The first drawing that broke a rule: an unknown type or pen style, a
    // price that is not finite, a bar out of reach, a submission while
    // drawings are suppressed.
    const std::optional<CheckVerdict>& drawingFault() const { return drawingFault_; }
    // The first text the study obtained that it still holds: one not released
    // by the end of its call.
    std::optional<CheckVerdict> HeldText() const;

private:
    struct Obtained {
        int64_t order;  // of the operations that gave the study a text
        int32_t bar;    // -1 in the defaults call
    };
    static RecordWatch& Of(HostStudyInterface* record);
    static void TextAssign(HostStudyInterface* host, HostText* text, const char* value);
    static void TextAppend(HostStudyInterface* host, HostText* text, const char* value);
    static void TextFormat(HostStudyInterface* host, HostText* text, const char* format, ...);
    static void TextAppendFormat(HostStudyInterface* host, HostText* text, const char* format, ...);
    static void FormatValueText(HostStudyInterface* host, double value, int32_t valueFormat, HostText* out);
    static int32_t SubmitDrawing(HostStudyInterface* host, DrawingRequest* request);

    // After an operation changed `text`, whose buffer was `before`.
    void Noted(const HostStudyInterface& record, const HostText* text, const char* before);

    HostStudyInterface* record_ = nullptr;
    decltype(HostStudyInterface::TextAssign) assign_ = nullptr;
    decltype(HostStudyInterface::TextAppend) append_ = nullptr;
    decltype(HostStudyInterface::FormatValueText) formatValue_ = nullptr;
    decltype(HostStudyInterface::SubmitDrawing) submit_ = nullptr;
    std::map<const char*, Obtained> held_;  // buffers of the study's own texts, by address
    int64_t obtainedTexts_ = 0;
    std::optional<CheckVerdict> drawingFault_;
};

}  // namespace kovra::host
