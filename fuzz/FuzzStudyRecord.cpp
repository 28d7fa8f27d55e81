#include "fuzz/FuzzStudyRecord.h"

#include <deque>

#include "fuzz/FuzzBars.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/RecordTweaks.h"
#include "fuzz/StudyCallChecks.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::fuzz {

namespace {

constexpr int kMaxActions = 24;
constexpr int kMaxRecalculations = 3;

class RecordScript {
public:
    RecordScript(StudyFunction study, FuzzInput& input, host::InstanceOptions options, int32_t identifier)
        : input_(input), study_(chart_, study, identifier, options), checks_(study_) {}

    std::string Run() {
        chart_.backgroundColour = input_.Raw<uint32_t>();
        const bool declare = input_.Byte() != 1;
        chart_.bars = FuzzBars(input_);
        if (declare && !Check(CallDefaults())) return failure_;
        for (uint8_t i = input_.Byte() % 8; i > 0; --i) Tweak(input_.Byte() % 3);
        SetHostFlags(input_, study_.record());
        if (!Check(Recalculate())) return failure_;
        for (int action = 0; action < kMaxActions && !input_.exhausted(); ++action)
            if (!Check(Act(input_.Byte() % 8))) return failure_;
        return {};
    }

private:
    bool Check(std::string failure) {
        failure_ = std::move(failure);
        return failure_.empty();
    }

    std::string CallDefaults() {
        checks_.BeforeCall();
        study_.CallDefaults();
        return checks_.AfterDefaultsCall();
    }

    std::string CallBar(int32_t bar) {
        checks_.BeforeCall();
        study_.CallBar(bar);
        const bool requested = study_.TakeRecalculationRequest();
        recalculationDue_ = recalculationDue_ || requested;
        return checks_.AfterBarCall(bar, requested);
    }

    // Every bar from 0, as the host recomputes the study.
    std::string Recalculate() {
        recalculationDue_ = false;
        for (int32_t bar = 0; bar < chart_.bars.size(); ++bar) {
            std::string failure = CallBar(bar);
            if (!failure.empty()) return failure;
        }
        return {};
    }

    // The last bar's call, then the recalculation a pushed button asked for.
    std::string CallLastBar() {
        if (chart_.bars.size() == 0) return {};
        std::string failure = CallBar(chart_.bars.size() - 1);
        if (!failure.empty() || !recalculationDue_) return failure;
        if (recalculations_ >= kMaxRecalculations) {
            checks_.ForgetFrameSize();
            return {};
        }
        ++recalculations_;
        return Recalculate();
    }

    std::string Act(uint8_t action) {
        switch (action) {
            case 0:
                chart_.pendingEvent = FuzzButtonEvent(input_);
                return CallLastBar();
            case 1:
                AppendFuzzBar(input_, chart_.bars);
                return CallLastBar();
            case 2:
                UpdateLastFuzzBar(input_, chart_.bars);
                return CallLastBar();
            case 3:
                SetHostFlags(input_, study_.record());
                return CallLastBar();
            case 4:
            case 5:
            case 6:
                Tweak(action - 4);
                return CallLastBar();
            default:
                if (recalculations_ >= kMaxRecalculations) return CallLastBar();
                ++recalculations_;
                return Recalculate();
        }
    }

    void Tweak(int what) {
        if (what == 0) TweakInputValue(input_, study_);
        if (what == 1) TweakSelectedText(input_, study_, ownedTexts_);
        if (what == 2) TweakSubgraph(input_, study_);
        if (what != 2) checks_.ForgetFrameSize();  // the frame size may have changed
    }

    FuzzInput& input_;
    host::Chart chart_;
    host::StudyInstance study_;
    StudyCallChecks checks_;
    std::deque<std::string> ownedTexts_;  // selected texts the record points to
    std::string failure_;
    bool recalculationDue_ = false;
    int recalculations_ = 0;
};

}  // namespace

std::string CheckStudyRecordInput(StudyFunction study, const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    host::InstanceOptions options;
    options.inputCount = input.Byte() % 31;
    options.subgraphCount = input.Byte() % 31;
    options.offerListItems = input.Byte() != 1;
    options.offerDescription = input.Byte() != 1;
    options.valueFormat = static_cast<int32_t>(input.Byte() % 12) - 1;
    const auto identifier = input.Raw<int32_t>();
    return RecordScript(study, input, options, identifier).Run();
}

}  // namespace kovra::fuzz
