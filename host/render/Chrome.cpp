// The title line and the control bar.
#include <algorithm>
#include <string>

#include "host/render/BuildParts.h"
#include "host/render/ChartTitle.h"

namespace kovra::host {

namespace {

constexpr double kButtonGap = 3, kButtonFontPixels = 11, kTitleFontPixels = 13;
constexpr uint32_t kButtonFace = Rgb(250, 250, 251), kButtonBorder = Rgb(178, 184, 192);
constexpr uint32_t kPushedFace = Rgb(196, 210, 228), kPushedBorder = Rgb(80, 96, 120);

}  // namespace

void AddTitle(BuildContext& context) {
    const std::string title = ChartTitle(context.study);
    const PixelRect& area = context.layout.title;
    AddPrimitive(
        context.list, PrimitiveKind::kTitle, 0, false,
        LayoutText(context.measure, title, {area.left + 8, (area.top + area.bottom) / 2}, HorizontalAlign::kLeft,
                   VerticalAlign::kCentre, TextStyle{palette::kText, kTitleFontPixels, true}));
}

// Buttons 1 to 17 in a row; a button without a label shows its number; a
// pushed one is darker with a heavy top and left edge, as if pressed in.
void AddControlBar(BuildContext& context) {
    const PixelRect& bar = context.layout.controlBar;
    ShapePrimitive strip;
    strip.bounds = bar;
    strip.fillColour = palette::kPanel;
    strip.fillAlpha = 1;
    AddPrimitive(context.list, PrimitiveKind::kControlBar, 0, false, strip);
    const double width = std::max(1.0, (bar.width() - kButtonGap * (StudyButtonCount() + 1)) / StudyButtonCount());
    const auto& buttons = context.study.chart().controlBar.buttons();
    for (int32_t number = 1; number <= StudyButtonCount(); ++number) {
        const ControlBarButton& button = buttons[static_cast<size_t>(number)];
        const bool pushed = button.Pushed != 0;
        const double left = bar.left + kButtonGap + (number - 1) * (width + kButtonGap);
        ShapePrimitive face;
        face.bounds = {left, bar.top + 4, left + width, bar.bottom - 4};
        face.hasBorder = true;
        face.border = Stroke{pushed ? kPushedBorder : kButtonBorder, 1, PenStyle::kSolid};
        face.fillColour = pushed ? kPushedFace : kButtonFace;
        face.fillAlpha = 1;
        AddPrimitive(context.list, PrimitiveKind::kControlBar, number, false, face);
        if (pushed) {
            const Stroke inset{kPushedBorder, 2, PenStyle::kSolid};
            const PixelRect& b = face.bounds;
            AddPrimitive(
                context.list, PrimitiveKind::kControlBar, number, false,
                PolylinePrimitive{{{b.left + 1, b.bottom}, {b.left + 1, b.top + 1}, {b.right, b.top + 1}}, inset});
        }
        const std::string_view label = TextView(button.Label);
        AddPrimitive(
            context.list, PrimitiveKind::kControlBar, number, false,
            LayoutText(context.measure, label.empty() ? std::to_string(number) : std::string(label),
                       {left + width / 2, (face.bounds.top + face.bounds.bottom) / 2}, HorizontalAlign::kCentre,
                       VerticalAlign::kCentre, TextStyle{palette::kText, kButtonFontPixels, pushed}));
    }
}

}  // namespace kovra::host
