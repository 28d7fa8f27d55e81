// One chart of the stand-in platform: its bars, its control bar, the drawings
// its studies submitted and the button event waiting for the next study call.
#pragma once

#include <cstdint>
#include <vector>

#include "host/bars/BarColumns.h"
#include "host/runtime/DrawingStore.h"
#include "host/runtime/HostTextOperations.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

// The chart's control-bar buttons, numbered 1 .. kSlotCount (element 0 is
// unused): every button a study may label, not only those ours uses. Owns the texts.
class ControlBar {
public:
    static constexpr int32_t kSlotCount = 150;
    ControlBar() : buttons_(kSlotCount + 1, ControlBarButton{{nullptr, 0, 0}, {nullptr, 0, 0}, 0}) {}
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
