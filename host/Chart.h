// One chart of the stand-in platform: its bars, its control bar, the drawings
// its studies submitted and the button event waiting for the next study call.
#pragma once

#include <cstdint>
#include <vector>

#include "host/DrawingStore.h"
#include "host/HostTextOperations.h"
#include "host/RecordArrays.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

// One bar's values.
struct Bar {
    int64_t dateTime;  // microseconds since 1899-12-30 00:00:00
    float open, high, low, close, volume;
};

// Bars as columns, the layout the record's series point into.
struct BarColumns {
    RecordColumn<int64_t> dateTimes;  // microseconds since 1899-12-30 00:00:00
    RecordColumn<float> open, high, low, close, volume;

    int32_t size() const { return static_cast<int32_t>(dateTimes.size()); }
    void Append(int64_t dateTime, float o, float h, float l, float c, float v = 0) {
        dateTimes.push_back(dateTime);
        open.push_back(o);
        high.push_back(h);
        low.push_back(l);
        close.push_back(c);
        volume.push_back(v);
    }
    void Append(const Bar& bar) { Append(bar.dateTime, bar.open, bar.high, bar.low, bar.close, bar.volume); }
    Bar At(int32_t index) const {
        const auto i = static_cast<size_t>(index);
        return Bar{dateTimes[i], open[i], high[i], low[i], close[i], volume[i]};
    }
};

// Numbered buttons 1 .. kButtonCount (element 0 is unused). Owns the texts.
class ControlBar {
public:
    static constexpr int32_t kButtonCount = 150;
    ControlBar() : buttons_(kButtonCount + 1, ControlBarButton{{nullptr, 0, 0}, {nullptr, 0, 0}, 0}) {}
    ~ControlBar() {
        for (ControlBarButton& button : buttons_) {
            ReleaseText(button.Label);
            ReleaseText(button.Hover);
        }
    }
    ControlBar(const ControlBar&) = delete;
    ControlBar& operator=(const ControlBar&) = delete;

    RecordColumn<ControlBarButton>& buttons() { return buttons_; }
    const RecordColumn<ControlBarButton>& buttons() const { return buttons_; }

private:
    RecordColumn<ControlBarButton> buttons_;
};

struct ButtonEvent {
    int32_t number = kNoButton;
    int32_t kind = 0;  // kButtonPushedOn or kButtonPushedOff
};

struct Chart {
    int32_t id = 1;
    uint32_t backgroundColour = 0x00FFFFFF;  // 0x00BBGGRR
    BarColumns bars;
    ControlBar controlBar;
    DrawingStore drawings;
    ButtonEvent pendingEvent;
    TextAllocator texts;  // shared by the chart's records and its control bar
};

}  // namespace kovra::host
