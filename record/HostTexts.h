// Reading a host text, and the temporary texts the study builds through the
// host's text operations.
#pragma once

#include "record/HostStudyInterface.h"

namespace kovra::record {

// The text's characters; "" for an empty text (whose Chars may be null).
inline const char* TextChars(const HostText& text) { return text.Chars != nullptr ? text.Chars : ""; }

// A text of the study's own, empty at first, built with the host's text
// operations and handed back to the host (emptied) when it goes out of scope.
class ScopedHostText {
public:
    explicit ScopedHostText(HostStudyInterface& host) : host_(host) {}
    ~ScopedHostText() { host_.TextAssign(&host_, &text_, nullptr); }
    ScopedHostText(const ScopedHostText&) = delete;
    ScopedHostText& operator=(const ScopedHostText&) = delete;

    HostText& text() { return text_; }
    const char* chars() const { return TextChars(text_); }

private:
    HostStudyInterface& host_;
    HostText text_{nullptr, 0, 0};
};

}  // namespace kovra::record
