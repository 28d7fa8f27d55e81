// A host for drawing and driver tests: a real StudyInstance on a chart, with
// every SubmitDrawing call also logged in order (replaced drawings included),
// and optionally the real study's declared defaults. Several hosts may live
// at once; each logs only what came through its own record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::testing {

struct Submission {
    DrawingRequest request;  // as the study handed it over; DrawingText emptied
    std::string text;
};

class RecordingHost {
public:
    // `declareDefaults`: run the real study library's defaults call first, so
    // the subgraphs carry their declared names and settings.
    explicit RecordingHost(bool declareDefaults = true, host::InstanceOptions options = {});
    ~RecordingHost();

    HostStudyInterface& record() { return study->record(); }
    StudySubgraph& subgraph(int32_t position) { return study->subgraphs().at(static_cast<size_t>(position)); }
    // Appends `count` one-minute bars starting 2024-01-02 09:30.
    void AppendBars(int32_t count, float price = 100.0f);
    // Submissions whose DrawingType is `type` (-2: all).
    std::vector<Submission> OfType(int32_t type) const;

    // Replaces SubmitDrawing by `replacement`, which may rewrite the request;
    // logging still happens afterwards.
    void SetSubmitHook(int32_t (*replacement)(HostStudyInterface*, DrawingRequest*)) { hook_ = replacement; }

    std::unique_ptr<host::StudyLibrary> library;
    host::Chart chart;
    std::unique_ptr<host::StudyInstance> study;
    std::vector<Submission> submissions;

private:
    static int32_t Record(HostStudyInterface* host, DrawingRequest* request);
    int32_t (*forward_)(HostStudyInterface*, DrawingRequest*) = nullptr;
    int32_t (*hook_)(HostStudyInterface*, DrawingRequest*) = nullptr;
};

}  // namespace kovra::testing
