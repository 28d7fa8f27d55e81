#include "tests/drawing/RequestDiff.h"

#include <bit>
#include <cstring>
#include <sstream>

namespace kovra::testing {

namespace {

constexpr int32_t kText = 6;

class Differ {
public:
    template <typename T>
    void Field(const char* name, T expected, T actual) {
        if (expected != actual) out_ << "  " << name << ": expected " << +expected << ", actual " << +actual << "\n";
    }
    void Price(const char* name, float expected, float actual) {
        if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(actual))
            out_ << "  " << name << ": expected " << expected << ", actual " << actual << "\n";
    }
    void Colour(const char* name, uint32_t expected, uint32_t actual) {
        if (expected != actual)
            out_ << "  " << name << std::hex << ": expected 0x" << expected << ", actual 0x" << actual << std::dec
                 << "\n";
    }
    std::string str() const { return out_.str(); }

private:
    std::ostringstream out_;
};

int32_t BaseOf(const RecordingHost& host) { return host.study->record().StudyIdentifier * 1000; }

}  // namespace

std::string DiffRequests(const DrawingRequest& e, const DrawingRequest& a) {
    Differ d;
    d.Field("Size", e.Size, a.Size);
    d.Field("InterfaceVersion", e.InterfaceVersion, a.InterfaceVersion);
    d.Field("TargetChart", e.TargetChart, a.TargetChart);
    d.Field("DrawingId", e.DrawingId, a.DrawingId);
    d.Field("DrawingType", e.DrawingType, a.DrawingType);
    d.Field("FirstBar", e.FirstBar, a.FirstBar);
    d.Field("SecondBar", e.SecondBar, a.SecondBar);
    d.Price("FirstPrice", e.FirstPrice, a.FirstPrice);
    d.Price("SecondPrice", e.SecondPrice, a.SecondPrice);
    d.Field("Reserved0", e.Reserved0, a.Reserved0);
    d.Field("FirstDateTime", e.FirstDateTime, a.FirstDateTime);
    d.Colour("LineColour", e.LineColour, a.LineColour);
    d.Colour("FillColour", e.FillColour, a.FillColour);
    d.Field("FillTransparency", e.FillTransparency, a.FillTransparency);
    d.Field("PenWidth", e.PenWidth, a.PenWidth);
    d.Field("PenStyle", e.PenStyle, a.PenStyle);
    d.Field("has DrawingText", e.DrawingText.Chars != nullptr, a.DrawingText.Chars != nullptr);
    d.Field("FontSize", e.FontSize, a.FontSize);
    d.Field("TextAlignment", e.TextAlignment, a.TextAlignment);
    d.Field("TextOptionA", e.TextOptionA, a.TextOptionA);
    d.Field("TextOptionB", e.TextOptionB, a.TextOptionB);
    d.Field("TextFlag", e.TextFlag, a.TextFlag);
    d.Field("RequestMode", e.RequestMode, a.RequestMode);
    d.Field("Reserved bytes equal", true, std::memcmp(e.Reserved, a.Reserved, sizeof e.Reserved) == 0);
    return d.str();
}

DrawingRequest ExpectedRequest(int32_t type, int32_t studyIdentifier, int32_t offset) {
    DrawingRequest request;
    request.DrawingType = type;
    request.DrawingId = studyIdentifier * 1000 + offset;
    request.RequestMode = kRequestAddOrReplace;
    return request;
}

std::vector<DrawingRequest> SubmittedInRange(const RecordingHost& host, int32_t firstOffset, int32_t lastOffset) {
    std::vector<DrawingRequest> result;
    for (const Submission& s : host.submissions) {
        const int32_t offset = s.request.DrawingId - BaseOf(host);
        if (s.request.DrawingType != kText && offset >= firstOffset && offset <= lastOffset)
            result.push_back(s.request);
    }
    return result;
}

std::vector<int32_t> SubmittedOffsets(const RecordingHost& host) {
    std::vector<int32_t> result;
    for (const Submission& s : host.submissions)
        if (s.request.DrawingType != kText) result.push_back(s.request.DrawingId - BaseOf(host));
    return result;
}

}  // namespace kovra::testing
