// What the pages get: the whole state when asked, and after every change an
// update from the bars and series the session says changed (or a reload
// when too many bars did).
#include <algorithm>

#include <fmt/format.h>

#include "host/serve/EngineChart.h"
#include "host/serve/StateJson.h"

namespace kovra::host {

namespace {

// Updates carry at most this many bars; a bigger change of the bars asks the
// pages to reload. (A recalculation sends every level value but no bars.)
constexpr int32_t kMaxUpdateBars = 512;

}  // namespace

EngineReply EngineChart::Ok() { return JsonReply(fmt::format("{{\"version\":{}}}\n", version_)); }

StateHeader EngineChart::HeaderNow() const {
    StateHeader header;
    header.instance = instance_;
    header.version = version_;
    header.replay = ReplayStatus{feed_.playing, feed_.speed, Sources().size(), shown_};
    if (feed_.timeframe) header.timeframe = FormatTimeframe(*feed_.timeframe);
    return header;
}

EngineReply EngineChart::State(const HeldBars& held) {
    const StudyInstance& study = holder_.session().study();
    const int32_t from = FirstHeldBar(study, held);
    if (!stateJson_ || stateFrom_ != from) {
        StateHeader header = HeaderNow();
        header.barsFrom = header.seriesFrom = from;
        stateJson_ = std::make_shared<const std::string>(FormatStateJson(study, header));
        stateFrom_ = from;
    }
    return JsonReply(stateJson_);
}

void EngineChart::Publish() {
    ChartSession& session = holder_.session();
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
        // The pages ask for the whole state; it is written once, when first asked for.
        events_.Publish(
            ChartEvent{version_, "reload", fmt::format("{{\"version\":{},\"instance\":\"{}\"}}", version_, instance_)});
    } else {
        header.barsFrom = barsFrom;
        header.seriesFrom = seriesFrom;
        header.withDrawings = withDrawings;
        header.withLook = false;
        events_.Publish(ChartEvent{version_, "update", FormatStateJson(study, header)});
    }
    if (changed_) changed_();
}

}  // namespace kovra::host
