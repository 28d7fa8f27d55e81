// What the engine changes a chart through: the session itself when the
// server shows one chart, or an instrument of a workspace, which also raises
// its alerts, recomputes its watchlist row and keeps its settings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "host/bars/Timeframe.h"
#include "host/runtime/ChartSession.h"
#include "host/runtime/StudySettings.h"

namespace kovra::host {

class ChartHolder {
public:
    virtual ~ChartHolder() = default;
    virtual ChartSession& session() = 0;
    // A bar with the last bar's date-time revises it; a later one is appended.
    virtual void TakeBar(const Bar& bar) { session().TakeBar(bar); }
    virtual void Push(int32_t button, int32_t kind) { session().Push(button, kind); }
    // Throws SettingsError for a refused edit; those before it stay applied.
    virtual void ChangeSettings(const StudySettings& settings) { session().ChangeSettings(settings); }
    // After the engine replaced the session's bars (and recalculated) itself.
    virtual void BarsReplaced() {}
    // After the engine changed the session's timeframe itself.
    virtual void TimeframeChanged(const std::optional<Timeframe>& /*timeframe*/) {}
};

// The one chart of a server that shows one: its session, and nothing more.
class SessionHolder : public ChartHolder {
public:
    explicit SessionHolder(std::unique_ptr<ChartSession> session) : session_(std::move(session)) {}
    ChartSession& session() override { return *session_; }

private:
    std::unique_ptr<ChartSession> session_;
};

}  // namespace kovra::host
