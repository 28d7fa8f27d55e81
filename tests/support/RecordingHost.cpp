#include "tests/support/RecordingHost.h"

#include <algorithm>
#include <cstdlib>

namespace kovra::testing {

namespace {

// Live hosts; a submission goes to the one whose record it came through, so
// several hosts may exist at once.
std::vector<RecordingHost*> liveHosts;

void DoNothing(HostStudyInterface&) {}

}  // namespace

RecordingHost::RecordingHost(bool declareDefaults, host::InstanceOptions options) {
    StudyFunction function = &DoNothing;
    if (declareDefaults) {
        library = std::make_unique<host::StudyLibrary>(std::getenv("KOVRA_STUDY_LIBRARY"));
        function = library->studyFunction();
    }
    study = std::make_unique<host::StudyInstance>(chart, function, 1, options);
    study->CallDefaults();
    // Make every array present, as after a first bar call.
    HostStudyInterface& r = study->record();
    for (int32_t key : {r.Open.FetchKey, r.High.FetchKey, r.Low.FetchKey, r.Close.FetchKey, r.BarDateTimes.FetchKey,
                        r.Inputs.FetchKey, r.Subgraphs.FetchKey, r.ControlBar.FetchKey})
        r.FetchArray(&r, key);
    forward_ = r.SubmitDrawing;
    r.SubmitDrawing = &RecordingHost::Record;
    liveHosts.push_back(this);
}

RecordingHost::~RecordingHost() { std::erase(liveHosts, this); }

void RecordingHost::AppendBars(int32_t count, float price) {
    constexpr int64_t kMinute = 60'000'000;
    // 2024-01-02 09:30 is day 45293 after 1899-12-30.
    const int64_t start = 45293LL * 86'400'000'000LL + (9 * 60 + 30) * kMinute;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t at = start + static_cast<int64_t>(chart.bars.size()) * kMinute;
        chart.bars.Append(at, price, price + 1, price - 1, price);
    }
    HostStudyInterface& r = study->record();
    r.BarCount = chart.bars.size();
    // Re-point the bar arrays at the grown columns.
    r.Open.Data = r.High.Data = r.Low.Data = r.Close.Data = nullptr;
    r.BarDateTimes.Data = nullptr;
    for (int32_t key : {r.Open.FetchKey, r.High.FetchKey, r.Low.FetchKey, r.Close.FetchKey, r.BarDateTimes.FetchKey})
        r.FetchArray(&r, key);
}

std::vector<Submission> RecordingHost::OfType(int32_t type) const {
    std::vector<Submission> result;
    for (const Submission& s : submissions)
        if (type == -2 || s.request.DrawingType == type) result.push_back(s);
    return result;
}

int32_t RecordingHost::Record(HostStudyInterface* host, DrawingRequest* request) {
    RecordingHost& self =
        **std::find_if(liveHosts.begin(), liveHosts.end(), [host](RecordingHost* h) { return &h->record() == host; });
    const int32_t result = self.hook_ != nullptr ? self.hook_(host, request) : self.forward_(host, request);
    Submission submission{*request, {}};
    if (request->DrawingText.Chars != nullptr)
        submission.text.assign(request->DrawingText.Chars, static_cast<size_t>(request->DrawingText.Length));
    submission.request.DrawingText = HostText{nullptr, 0, 0};
    self.submissions.push_back(std::move(submission));
    return result;
}

}  // namespace kovra::testing
