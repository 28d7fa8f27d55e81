#include <gtest/gtest.h>

#include "host/runtime/DrawingStore.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using kovra::host::DrawingStore;
using kovra::host::StoredDrawing;

DrawingRequest Line(int32_t id, int32_t firstBar) {
    DrawingRequest request;
    request.DrawingType = 1;
    request.DrawingId = id;
    request.FirstBar = firstBar;
    return request;
}

TEST(DrawingStore, KeysDrawingsByStudyInstanceAndIdentifier) {
    DrawingStore store;
    store.Submit(1, Line(1800, 10));
    store.Submit(2, Line(1800, 20));  // another instance, same identifier: both stay
    store.Submit(1, Line(1801, 30));
    store.Submit(1, Line(1800, 40));  // replaces in place
    ASSERT_EQ(store.DrawingsOf(1).size(), 2u);
    EXPECT_EQ(store.DrawingsOf(1)[0]->request().FirstBar, 40);
    EXPECT_EQ(store.DrawingsOf(1)[1]->request().DrawingId, 1801);
    EXPECT_EQ(store.DrawingsOf(2)[0]->request().FirstBar, 20);
    EXPECT_EQ(store.SubmissionsOf(1), 3);

    store.ClearStudy(1);
    EXPECT_TRUE(store.DrawingsOf(1).empty());
    EXPECT_EQ(store.DrawingsOf(2).size(), 1u);
    EXPECT_EQ(store.ClearsOf(1), 1);
    EXPECT_EQ(store.ClearsOf(2), 0);
}

TEST(DrawingStore, CopiesTheTextAndOwnsNoStudyMemory) {
    DrawingStore store;
    char text[] = "8/8th ";
    DrawingRequest request = Line(7, 1);
    request.DrawingText = HostText{text, 6, 7};
    store.Submit(1, request);
    text[0] = 'X';
    EXPECT_EQ(store.DrawingsOf(1)[0]->text, "8/8th ");
    EXPECT_EQ(store.DrawingsOf(1)[0]->request().DrawingText.Chars, nullptr);
}

// Positions change as a study's drawings are cleared: a drawing submitted
// again must still replace itself, never appear twice, and a cleared one must
// come back at the end, in submission order.
TEST(DrawingStore, ReplacesInPlaceAfterOtherDrawingsWereCleared) {
    DrawingStore store;
    for (int32_t pass = 0; pass < 3; ++pass) {
        store.Submit(1, Line(10, pass));
        store.Submit(1, Line(11, pass));
        store.Submit(2, Line(10, pass));
        store.Submit(2, Line(12, pass));
        store.ClearStudy(1);  // study 2's drawings move up
        store.Submit(2, Line(12, 100 + pass));
        store.Submit(1, Line(11, 200 + pass));
        store.Submit(2, Line(10, 300 + pass));
        ASSERT_EQ(store.all().size(), 3u) << pass;
        EXPECT_EQ(store.all()[0].request().FirstBar, 300 + pass);  // study 2, id 10, replaced in place
        EXPECT_EQ(store.all()[1].request().FirstBar, 100 + pass);  // study 2, id 12
        EXPECT_EQ(store.all()[2].studyIdentifier, 1);
        EXPECT_EQ(store.all()[2].request().FirstBar, 200 + pass);
        store.ClearStudy(2);
        store.ClearStudy(1);
        EXPECT_TRUE(store.all().empty());
    }
}

// Cleared drawings' slots are kept for the next submissions: nothing of what
// was in them may show. Each pass clears the study's drawings and submits a
// different set (texts and reserved room included); the store must then hold
// exactly that pass's drawings, byte for byte, in submission order, a repeated
// identifier replacing its drawing in place, behind another study's drawing.
TEST(DrawingStore, HoldsExactlyEachPassSubmissionsAfterAClear) {
    struct Pass {
        std::vector<int32_t> ids;
        const char* text;  // null: no text
        uint8_t reserved;  // the reserved room's first byte
    };
    const Pass passes[] = {{{1, 2, 3, 4}, "first pass text, long enough to live on the heap ", 0},
                           {{4, 2}, nullptr, 7},
                           {{5, 1, 2, 3, 6, 7}, "", 0},
                           {{}, "x", 0},
                           {{3, 9, 3}, "9/8th ", 1}};
    DrawingStore store;
    store.Submit(2, Line(1, -1));
    for (size_t p = 0; p < std::size(passes); ++p) {
        store.ClearStudy(1);
        std::vector<std::pair<DrawingRequest, std::string>> expected;
        for (size_t n = 0; n < passes[p].ids.size(); ++n) {
            const int32_t id = passes[p].ids[n];
            DrawingRequest request = Line(id, static_cast<int32_t>(p * 100 + n));
            request.Reserved[0] = passes[p].reserved;
            std::string text = passes[p].text != nullptr ? passes[p].text + std::to_string(n) : "";
            if (passes[p].text != nullptr)
                request.DrawingText = HostText{text.data(), static_cast<int32_t>(text.size()), 0};
            store.Submit(1, request);
            request.DrawingText = HostText{nullptr, 0, 0};
            const auto same =
                std::find_if(expected.begin(), expected.end(), [&](const auto& e) { return e.first.DrawingId == id; });
            if (same != expected.end())
                *same = {request, text};
            else
                expected.emplace_back(request, text);
        }
        const std::vector<const StoredDrawing*> stored = store.DrawingsOf(1);
        ASSERT_EQ(stored.size(), expected.size()) << "pass " << p;
        ASSERT_EQ(store.all().size(), expected.size() + 1) << "pass " << p;
        EXPECT_EQ(store.all()[0].studyIdentifier, 2);
        for (size_t i = 0; i < expected.size(); ++i) {
            const DrawingRequest request = stored[i]->request();
            EXPECT_EQ(std::memcmp(&request, &expected[i].first, sizeof request), 0) << "pass " << p << " drawing " << i;
            EXPECT_EQ(stored[i]->text, expected[i].second) << "pass " << p << " drawing " << i;
            EXPECT_EQ(&store.all()[i + 1], stored[i]);
        }
    }
}

// The store keeps a request's reserved room only when it is not all zero: a
// reader must still be given back every byte the study submitted (DrawingText
// emptied), whatever it wrote where. Submitted in one order, then, after a
// clear, in the other into the same slots, so that a slot which held a reserved
// room gives back zeros and one which held none gives back the new room.
TEST(DrawingStore, GivesBackEveryRequestBitForBit) {
    struct Row {
        const char* what;
        void (*write)(DrawingRequest&);
    };
    const Row rows[] = {
        {"defaults", [](DrawingRequest&) {}},
        {"unusual fields",
         [](DrawingRequest& r) {
             r.Size = 1;
             r.TargetChart = 3;
             r.FirstPrice = std::bit_cast<float>(0x7FC00123u);
             r.SecondPrice = -0.0f;
             r.Reserved0 = -5;
             r.FirstDateTime = std::numeric_limits<int64_t>::min();
             r.PenWidth = -1;
             r.RequestMode = 7;
         }},
        {"first reserved byte", [](DrawingRequest& r) { r.Reserved[0] = 1; }},
        {"last reserved byte", [](DrawingRequest& r) { r.Reserved[sizeof r.Reserved - 1] = 0x80; }},
        {"every reserved byte", [](DrawingRequest& r) { std::memset(r.Reserved, 0xFF, sizeof r.Reserved); }},
    };
    char text[] = "label";
    std::vector<DrawingRequest> submitted;
    for (size_t i = 0; i < std::size(rows); ++i) {
        DrawingRequest request = Line(static_cast<int32_t>(i), 1);
        rows[i].write(request);
        request.DrawingText = HostText{text, 5, 6};
        submitted.push_back(request);
    }
    DrawingStore store;
    for (const bool reversed : {false, true}) {
        store.ClearStudy(1);
        for (size_t n = 0; n < submitted.size(); ++n)
            store.Submit(1, submitted[reversed ? submitted.size() - 1 - n : n]);
        const std::vector<const StoredDrawing*> stored = store.DrawingsOf(1);
        ASSERT_EQ(stored.size(), submitted.size());
        for (size_t n = 0; n < stored.size(); ++n) {
            const size_t i = reversed ? submitted.size() - 1 - n : n;
            DrawingRequest expected = submitted[i];
            expected.DrawingText = HostText{nullptr, 0, 0};
            const DrawingRequest given = stored[n]->request();
            EXPECT_EQ(std::memcmp(&given, &expected, sizeof given), 0)
                << rows[i].what << (reversed ? ", reversed" : "");
            EXPECT_EQ(stored[n]->text, "label") << rows[i].what;
        }
    }
}

// Thousands of identifiers (negative, zero and extreme ones included) over
// three studies, pass after pass with clears between: each drawing is found
// again and replaced in place, never doubled, whatever its identifier.
TEST(DrawingStore, FindsEveryIdentifierAmongThousands) {
    const int32_t special[] = {0, -1, 1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    std::vector<int32_t> ids(std::begin(special), std::end(special));
    for (int32_t i = 0; i < 3000; ++i) ids.push_back(i * 7919 - 5'000'000);
    DrawingStore store;
    for (int32_t pass = 0; pass < 3; ++pass) {
        for (const int32_t study : {0, 1, -1})
            if (study != pass - 1) store.ClearStudy(study);
        for (int32_t round = 0; round < 2; ++round)  // the second round replaces the first
            for (size_t i = 0; i < ids.size(); ++i)
                for (const int32_t study : {0, 1, -1}) store.Submit(study, Line(ids[i], pass * 10 + round));
        for (const int32_t study : {0, 1, -1}) {
            const std::vector<const StoredDrawing*> stored = store.DrawingsOf(study);
            ASSERT_EQ(stored.size(), ids.size()) << "pass " << pass << " study " << study;
            for (size_t i = 0; i < ids.size(); ++i) {
                EXPECT_EQ(stored[i]->request().DrawingId, ids[i]);
                EXPECT_EQ(stored[i]->request().FirstBar, pass * 10 + 1);
            }
        }
    }
}

}  // namespace
