#include <gtest/gtest.h>

#include "host/DrawingStore.h"

namespace {

using kovra::host::DrawingStore;

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
    EXPECT_EQ(store.DrawingsOf(1)[0]->request.FirstBar, 40);
    EXPECT_EQ(store.DrawingsOf(1)[1]->request.DrawingId, 1801);
    EXPECT_EQ(store.DrawingsOf(2)[0]->request.FirstBar, 20);
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
    EXPECT_EQ(store.DrawingsOf(1)[0]->request.DrawingText.Chars, nullptr);
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
        EXPECT_EQ(store.all()[0].request.FirstBar, 300 + pass);  // study 2, id 10, replaced in place
        EXPECT_EQ(store.all()[1].request.FirstBar, 100 + pass);  // study 2, id 12
        EXPECT_EQ(store.all()[2].studyIdentifier, 1);
        EXPECT_EQ(store.all()[2].request.FirstBar, 200 + pass);
        store.ClearStudy(2);
        store.ClearStudy(1);
        EXPECT_TRUE(store.all().empty());
    }
}

}  // namespace
