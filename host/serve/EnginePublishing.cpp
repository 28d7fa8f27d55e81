// What the pages get: the whole state when asked, and after every change an
// update from the bars and series the session says changed (or a reload
// when too many bars did).
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/ChartEngine.h"
#include "host/serve/StateJson.h"

namespace kovra::host {

namespace {

// Updates carry at most this many bars; a bigger change of the bars asks the
// pages to reload. (A recalculation sends every level value but no bars.)
constexpr int32_t kMaxUpdateBars = 512;

}  // namespace

EngineReply ChartEngine::Ok() { return JsonReply(fmt::format("{{\"version\":{}}}\n", version_)); }

StateHeader ChartEngine::HeaderNow() const {
    StateHeader header;
    header.instance = instance_;
    header.version = version_;
    header.replay = ReplayStatus{setup_.playing, setup_.speed, setup_.bars.size(), shown_};
    if (setup_.timeframe) header.timeframe = FormatTimeframe(*setup_.timeframe);
    return header;
}

EngineReply ChartEngine::State() {
    return queue_.Ask([this] {
        if (!stateJson_)
            stateJson_ = std::make_shared<const std::string>(FormatStateJson(setup_.session->study(), HeaderNow()));
        return JsonReply(stateJson_);
    });
}

void ChartEngine::Publish() {
    ChartSession& session = *setup_.session;
    const StudyInstance& study = session.study();
    const int32_t count = session.chart().bars.size();
    const ChartChange change = session.TakeChange();
    const int32_t barsFrom = std::min(change.barsFrom, count), seriesFrom = std::min(change.seriesFrom, count);
    // Drawings change only when the study submits or clears, or a text dated
    // by a date-time finds a new bar.
    const DrawingsStamp stamp{session.chart().drawings.SubmissionsOf(study.studyIdentifier()),
                              session.chart().drawings.ClearsOf(study.studyIdentifier()), count};
    const bool withDrawings = !(stamp == sentDrawings_);
    sentDrawings_ = stamp;

    ++version_;
    stateJson_.reset();
    StateHeader header = HeaderNow();
    if (count - barsFrom > kMaxUpdateBars) {
        // The whole state, ready for the pages that will ask.
        stateJson_ = std::make_shared<const std::string>(FormatStateJson(study, header));
        events_.Publish(
            ChartEvent{version_, "reload", fmt::format("{{\"version\":{},\"instance\":\"{}\"}}", version_, instance_)});
        return;
    }
    header.barsFrom = barsFrom;
    header.seriesFrom = seriesFrom;
    header.withDrawings = withDrawings;
    header.withLook = false;
    events_.Publish(ChartEvent{version_, "update", FormatStateJson(study, header)});
}

}  // namespace kovra::host
