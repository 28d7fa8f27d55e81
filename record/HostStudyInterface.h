// The platform's study record: everything a charting platform hands the
// study on each call, and the operations it serves. This header is the whole
// contract between a host and the study library; a host includes nothing else
// of ours.
//
// Words used below:
//   host-owned  - the host allocates and frees it; the study borrows it for the
//                 length of one call and keeps no pointer afterwards.
//   study-set   - the study writes it during a call; the host reads it after
//                 the call returns.
//   host-set    - the host writes it before a call; the study only reads it.
//   per call    - valid from the moment the host calls the study until the
//                 study function returns.
//   not given   - the initial value of a `DrawingRequest` field; tells the host
//                 the study did not set it.
//
// Every struct is standard-layout; enumerated values are stored as explicit-width
// integers. Operations are plain C function pointers filled in by the host; they
// are called only on the host's calling thread, from inside a study call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

// Version of this record. A library reports it from scdll_DLLVersion; a host
// loads only a library reporting the version it was built for.
inline constexpr int32_t kHostInterfaceVersion = 2188;

struct HostStudyInterface;

// A host-owned text on the heap. Empty when unset: Chars may be null or point
// to "". Only the host's text operations (HostStudyInterface::Text...) change it.
struct HostText {
    char* Chars;     // host-owned, zero-terminated; null = empty
    int32_t Length;  // bytes before the terminator
    int32_t Capacity;
};

// A host-owned array as the study sees it. The study never indexes Data itself:
// it goes through HostArrayAccess or ResolvedHostArray (record/HostArrayAccess.h),
// which apply the host array access rule:
//   1. Data null: ask the host for the storage with FetchArray(FetchKey).
//   2. still null, or Count <= 0: use Spare (reads give its value; the host
//      restores Spare before every call, so writes to it are lost).
//   3. otherwise clamp the index to 0 .. Count-1.
// Once provided, the storage stays at the same address for the rest of the call.
template <typename Element>
struct HostArray {
    Element* Data;     // host-owned; null until the host provides the storage
    int32_t Count;     // elements at Data
    int32_t FetchKey;  // host-set; identifies this array to FetchArray
    Element Spare;     // host-owned default element, restored before every call
};

// StudyInput::TypeCode values.
inline constexpr uint8_t kInputTypeNotDeclared = 0;
inline constexpr uint8_t kInputTypeYesNo = 5;
inline constexpr uint8_t kInputTypeCustomList = 22;

// One study input as the platform's settings dialog holds it.
struct StudyInput {
    HostText Name;     // study-set on the defaults call
    uint8_t TypeCode;  // study-set: kInputType...
    uint8_t Reserved[3];
    float Value;               // list index, or 1/0 for yes/no (yes when non-zero);
                               // an index is read rounded half away from zero
    const char* SelectedText;  // host-owned, host-set before every call: the
                               // selected list item's text; null = no text
    HostText ListItems;        // written only through SetInputListItems
    HostText Description;      // written only through SetInputDescription
};

// StudySubgraph::DrawStyle values the study and our host give a meaning.
inline constexpr int16_t kDrawStyleLine = 0;
inline constexpr int16_t kDrawStyleDashes = 3;    // our host: a short dash across each bar
inline constexpr int16_t kDrawStyleHidden = 4;    // 'Hidden'
inline constexpr int16_t kDrawStyleNotDrawn = 5;  // kept, never drawn

// StudySubgraph::LineStyle and DrawingRequest::PenStyle values.
inline constexpr int16_t kLineStyleSolid = 0;
inline constexpr int16_t kLineStyleDash = 1;
inline constexpr int16_t kLineStyleDot = 2;
inline constexpr int16_t kLineStyleDashDot = 3;
inline constexpr int16_t kLineStyleDashDotDot = 4;

// One subgraph: an output series plus its display settings.
struct StudySubgraph {
    HostText Name;                // study-set on the defaults call; empty = unnamed
    uint32_t PrimaryColour;       // 0x00BBGGRR
    uint32_t SecondaryColour;     // 0x00BBGGRR
    int16_t DrawStyle;            // kDrawStyle...
    int16_t LineStyle;            // kLineStyle...
    int16_t LineWidth;            // pixels
    uint8_t LabelFlag;            // the 'Label' tick box; on when non-zero
    uint8_t IgnoredDisplayFlagA;  // set to 0 by the study on its drawing-settings subgraphs; our host ignores it
    uint32_t LabelSettings;       // bit set of the label configuration ('Name' and 'Value' columns)
    float AngleUnit;              // shown as 'Angle Unit'; carries widths and font sizes
    float AngleMax;               // shown as 'Angle Max'; carries widths, font sizes, transparency
    uint8_t IgnoredDisplayFlagB;  // set to 4 by the study on its drawing-settings subgraphs; our host ignores it
    uint8_t Reserved;
    int16_t IgnoredDisplaySetting;  // set to 0 by the study on every subgraph; our host ignores it
    HostArray<float> Series;        // one value per bar; host-owned
};

// A numbered button on one of the chart's control bars. Element n of
// HostStudyInterface::ControlBar is button n (element 0 is unused).
struct ControlBarButton {
    HostText Label;  // study-set; shown on the button
    HostText Hover;  // study-set; shown when the pointer rests on the button
    int32_t Pushed;  // study-set or user-set: non-zero shows the button pushed
};

// Values a DrawingRequest field holds while it is "not given".
inline constexpr int32_t kNotGivenInteger = -1;
inline constexpr float kNotGivenPrice = -3.4028235e38f;
inline constexpr uint32_t kNotGivenColour = 0xFF000000u;

// DrawingRequest::DrawingType values.
inline constexpr int32_t kDrawingLine = 1;
inline constexpr int32_t kDrawingText = 6;
inline constexpr int32_t kDrawingRectangle = 12;
inline constexpr int32_t kDrawingEllipse = 13;

// DrawingRequest::RequestMode: add the drawing, or replace the one of the same id.
inline constexpr int32_t kRequestAddOrReplace = 1;

// DrawingRequest::TextAlignment: one horizontal value plus one vertical value.
inline constexpr int32_t kAlignLeft = 0;
inline constexpr int32_t kAlignCentre = 1;
inline constexpr int32_t kAlignRight = 2;
inline constexpr int32_t kAlignTop = 0;
inline constexpr int32_t kAlignMiddle = 4;
inline constexpr int32_t kAlignBottom = 8;
inline constexpr int32_t kAlignHorizontalMask = 3;
inline constexpr int32_t kAlignVerticalMask = 12;

// One chart drawing handed to SubmitDrawing. The study builds a fresh request for
// every drawing; every field starts as "not given". The request and its text are
// the study's; the host copies what it keeps during SubmitDrawing.
struct DrawingRequest {
    uint32_t Size = sizeof(DrawingRequest);  // checked by the host before it reads anything
    int32_t InterfaceVersion = kHostInterfaceVersion;
    int32_t TargetChart = 0;                 // 0 = the study's own chart
    int32_t DrawingId = kNotGivenInteger;    // fixed per drawing; the host replaces a drawing of the same id
    int32_t DrawingType = kNotGivenInteger;  // kDrawing...
    int32_t FirstBar = kNotGivenInteger;     // bar index of the first point / corner / text anchor
    int32_t SecondBar = kNotGivenInteger;
    float FirstPrice = kNotGivenPrice;
    float SecondPrice = kNotGivenPrice;
    int32_t Reserved0 = 0;
    int64_t FirstDateTime = kNotGivenInteger;  // anchors a text by date-time, or one of the edge markers below
    uint32_t LineColour = kNotGivenColour;     // line, border or text colour, 0x00BBGGRR
    uint32_t FillColour = kNotGivenColour;
    int32_t FillTransparency = kNotGivenInteger;  // 0 solid .. 100 hollow
    int16_t PenWidth = kNotGivenInteger;
    int16_t PenStyle = kNotGivenInteger;     // kLineStyle...
    HostText DrawingText = {nullptr, 0, 0};  // study-owned while the request lives; released after submission
    int32_t FontSize = kNotGivenInteger;
    int32_t TextAlignment = kNotGivenInteger;  // kAlignLeft/Centre/Right plus kAlignTop/Middle/Bottom
    int32_t TextOptionA = kNotGivenInteger;    // passed on; our host ignores it
    int32_t TextOptionB = kNotGivenInteger;    // passed on; our host ignores it
    int32_t TextFlag = kNotGivenInteger;       // passed on; our host ignores it
    int32_t RequestMode = kNotGivenInteger;    // kRequestAddOrReplace; our host treats every request so
    uint8_t Reserved[816] = {};                // room for fields of later versions; zero
};

// Date-times a text's FirstDateTime may carry instead of a bar's: the host
// places such a label at the left (140 days) or right (150 days) edge of the
// chart window, level with its FirstPrice.
inline constexpr int64_t kLeftEdgeMarker = 140LL * 86400 * 1000000;
inline constexpr int64_t kRightEdgeMarker = 150LL * 86400 * 1000000;

// HostStudyInterface::PendingButtonKind values.
inline constexpr int32_t kButtonPushedOn = 4;
inline constexpr int32_t kButtonPushedOff = 5;
// HostStudyInterface::PendingButtonNumber when no event is pending.
inline constexpr int32_t kNoButton = 0;

// The arguments of ClearStudyDrawings the study passes: its own chart, every
// drawing, at once.
inline constexpr int32_t kClearOwnChart = 0;
inline constexpr int32_t kClearEveryDrawing = -1;
inline constexpr int32_t kClearNow = 0;

// The record handed to every call of the study function. Host-owned; valid per call.
struct HostStudyInterface {
    uint32_t Size;             // host-set: sizeof(HostStudyInterface)
    int32_t InterfaceVersion;  // host-set: kHostInterfaceVersion
    void* HostContext;         // host-owned; the study never touches it

    // The call.
    int32_t IsDefaultsCall;  // host-set: non-zero on the one call that declares the study
    int32_t CurrentBar;      // host-set: the bar this call computes
    int32_t BarCount;        // host-set: bars on the chart; the last bar is BarCount-1
    int32_t Reserved0;

    // Bar data, host-owned, one element per bar.
    HostArray<float> Open;
    HostArray<float> High;
    HostArray<float> Low;
    HostArray<float> Close;
    HostArray<int64_t> BarDateTimes;  // microseconds since 1899-12-30 00:00:00

    // The study's declaration and settings.
    HostText StudyName;                  // study-set on the defaults call
    HostText StudyDescription;           // the study appends to it on the defaults call
    HostArray<StudyInput> Inputs;        // by position
    HostArray<StudySubgraph> Subgraphs;  // by position

    // Identity and display.
    int32_t StudyIdentifier;     // host-set: this study instance on its chart, 1 or more
    int32_t HostChartId;         // host-set: the chart's number
    uint32_t HostChartColour;    // host-set: the chart's background colour, 0x00BBGGRR
    int32_t ValueFormat;         // host-set: decimal places of price texts (0..9)
    int32_t DrawingsSuppressed;  // host-set: non-zero = the study submits no drawing

    // Control bar and events.
    int32_t PendingButtonNumber;             // host-set: button of the pending event; kNoButton = none
    int32_t PendingButtonKind;               // host-set: kButtonPushedOn / kButtonPushedOff
    int32_t RecalculationRequested;          // study-set to 1: recompute from bar 0 once this call returns
    int32_t ReleaseButtons;                  // host-set flag the study only tests: blank the button texts
    int32_t HoldChartUpdates;                // host-set flag the study only tests: skip events and drawing
    HostArray<ControlBarButton> ControlBar;  // element n is button n

    // Study-level settings the defaults call sets (four to 1, two to 0, then 3);
    // their meaning lies with the host, and our host ignores them.
    int32_t IgnoredStudySettings[6];
    int16_t IgnoredStudySetting16;
    int16_t Reserved1;

    // Host operations. Never null unless stated.

    // Provides the storage of the array whose FetchKey is `key` (sets its Data
    // and Count); may leave it absent.
    void (*FetchArray)(HostStudyInterface* host, int32_t key);
    // The persistent integer under `key`, kept between calls of this study
    // instance; starts at 0. Host-owned; never null.
    int32_t* (*PersistentInteger)(HostStudyInterface* host, int32_t key);

    // Text operations on a HostText. Assign replaces (null clears and frees the
    // memory), Append adds;
    // Format replaces with printf-style output, AppendFormat adds it. On an
    // allocation failure Assign and Format leave the text empty and the appends
    // leave it unchanged.
    void (*TextAssign)(HostStudyInterface* host, HostText* text, const char* value);
    void (*TextAppend)(HostStudyInterface* host, HostText* text, const char* value);
    void (*TextFormat)(HostStudyInterface* host, HostText* text, const char* format, ...);
    void (*TextAppendFormat)(HostStudyInterface* host, HostText* text, const char* format, ...);

    // Input declarations; null when the host does not offer them.
    void (*SetInputListItems)(HostStudyInterface* host, StudyInput* input, const char* items);  // ";" between items
    void (*SetInputDescription)(HostStudyInterface* host, StudyInput* input, const char* text);

    // Turns a price into text with `valueFormat` decimal places, into `out`.
    void (*FormatValueText)(HostStudyInterface* host, double value, int32_t valueFormat, HostText* out);

    // Hands one drawing to the host, which copies what it keeps. May rewrite
    // the request's fields. The result has no meaning for the study.
    int32_t (*SubmitDrawing)(HostStudyInterface* host, DrawingRequest* request);
    // Removes this study instance's drawings. The study calls it with
    // (kClearOwnChart, kClearEveryDrawing, kClearNow).
    void (*ClearStudyDrawings)(HostStudyInterface* host, int32_t chart, int32_t drawingId, int32_t mode);
};

static_assert(std::is_standard_layout_v<HostText>);
static_assert(std::is_standard_layout_v<HostArray<float>>);
static_assert(std::is_standard_layout_v<StudyInput>);
static_assert(std::is_standard_layout_v<StudySubgraph>);
static_assert(std::is_standard_layout_v<ControlBarButton>);
static_assert(std::is_standard_layout_v<DrawingRequest>);
static_assert(std::is_standard_layout_v<HostStudyInterface>);
static_assert(sizeof(DrawingRequest) == 920, "the platform's drawing request is 920 bytes");
static_assert(offsetof(DrawingRequest, Size) == 0);
static_assert(offsetof(DrawingRequest, InterfaceVersion) == 4);
static_assert(offsetof(DrawingRequest, FirstDateTime) == 40);
static_assert(offsetof(DrawingRequest, DrawingText) == 64);

// The three entry points of a study library, found by these unmangled names.
extern "C" {
using DllNameFunction = const char* (*)();
using DllVersionFunction = int32_t (*)();
using StudyFunction = void (*)(HostStudyInterface&);
}
inline constexpr const char* kDllNameSymbol = "scdll_DLLName";
inline constexpr const char* kDllVersionSymbol = "scdll_DLLVersion";
inline constexpr const char* kStudyFunctionSymbol = "scsf_KovraMathRTIntraday";
