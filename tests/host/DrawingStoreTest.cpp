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

}  // namespace
