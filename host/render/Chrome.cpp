// The title line and the control bar.
#include <algorithm>
#include <string>

#include "host/render/BuildParts.h"
#include "host/render/ChartTitle.h"

namespace kovra::host {

void AddTitle(BuildContext& context) {
    const std::string title = ChartTitle(context.study);
    const PixelRect& area = context.layout.title;
    AddPrimitive(
        context.list, PrimitiveKind::kTitle, 0, false,
        LayoutText(context.measure, title, {area.left + 8, (area.top + area.bottom) / 2}, HorizontalAlign::kLeft,
                   VerticalAlign::kCentre, TextStyle{palette::kText, control_bar::kTitleFontPixels, true}));
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
    const double gap = control_bar::kButtonGap;
    const double width = std::max(1.0, (bar.width() - gap * (StudyButtonCount() + 1)) / StudyButtonCount());
    const auto& buttons = context.study.chart().controlBar.buttons();
    for (int32_t number = 1; number <= StudyButtonCount(); ++number) {
        const ControlBarButton& button = buttons[static_cast<size_t>(number)];
        const bool pushed = button.Pushed != 0;
        const double left = bar.left + gap + (number - 1) * (width + gap);
        ShapePrimitive face;
        face.bounds = {left, bar.top + 4, left + width, bar.bottom - 4};
        face.hasBorder = true;
        face.border = Stroke{pushed ? palette::kPushedBorder : palette::kButtonBorder, 1, PenStyle::kSolid};
        face.fillColour = pushed ? palette::kPushedFace : palette::kButtonFace;
        face.fillAlpha = 1;
        AddPrimitive(context.list, PrimitiveKind::kControlBar, number, false, face);
        if (pushed) {
            const Stroke inset{palette::kPushedBorder, 2, PenStyle::kSolid};
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
                       VerticalAlign::kCentre, TextStyle{palette::kText, control_bar::kButtonFontPixels, pushed}));
    }
}

}  // namespace kovra::host
