#include "host/serve/WorkspaceJson.h"

#include <nlohmann/json.hpp>

#include "host/scan/ScanFormats.h"

namespace kovra::host {

namespace {

using json = nlohmann::ordered_json;

const char* StatusText(InstrumentStatus status) {
    switch (status) {
        case InstrumentStatus::kReady:
            return "ready";
        case InstrumentStatus::kFailed:
            return "failed";
        case InstrumentStatus::kRemoved:
            return "removed";
    }
    return "failed";
}

json InstrumentObject(const Workspace& workspace, InstrumentId id) {
    const Instrument& instrument = workspace.instrument(id);
    json object = json::object();
    object["name"] = instrument.name();
    object["status"] = StatusText(instrument.status());
    object["row"] = json::parse(FormatScanRowJson(instrument.row()));
    object["change"] = nullptr;
    if (const ChartSession* chart = instrument.chart()) {
        const BarColumns& bars = chart->chart().bars;
        if (const int32_t count = bars.size(); count >= 2)
            object["change"] = static_cast<double>(bars.close[count - 1]) - static_cast<double>(bars.close[count - 2]);
    }
    object["warnings"] = instrument.row().warnings;
    object["lines"] = instrument.chart() ? workspace.LineNames(id) : std::vector<std::string>{};
    object["alertLines"] = nullptr;
    if (!instrument.alertLines().every) object["alertLines"] = instrument.alertLines().names;
    return object;
}

// Names, paths and error texts need not be UTF-8; such bytes become U+FFFD.
std::string Dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string FormatInstrumentJson(const Workspace& workspace, InstrumentId id) {
    return Dump(InstrumentObject(workspace, id));
}

std::string FormatInstrumentsJson(const Workspace& workspace, const std::string& instance, int64_t lastAlert) {
    json object = json::object();
    object["instance"] = instance;
    object["lastAlert"] = lastAlert;
    json& instruments = object["instruments"] = json::array();
    for (InstrumentId id = 0; id < workspace.instruments().size(); ++id)
        instruments.push_back(InstrumentObject(workspace, id));
    return Dump(object);
}

std::string FormatAlertsJson(const std::vector<Alert>& alerts) {
    std::string out = "[";
    for (const Alert& alert : alerts) {
        if (out.size() > 1) out += ",";
        std::string line = AlertJsonLine(alert);
        line.pop_back();  // its line end
        out += line;
    }
    return out + "]";
}

}  // namespace kovra::host
