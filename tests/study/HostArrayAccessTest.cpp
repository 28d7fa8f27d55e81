// The host array access rule, on a bare record whose FetchArray the test controls.
#include <gtest/gtest.h>

#include <vector>

#include "record/HostArrayAccess.h"

namespace {

using kovra::record::HostArrayAccess;

struct FetchingHost {
    HostStudyInterface record{};
    std::vector<float> storage;
    int fetches = 0;
    bool provide = true;

    FetchingHost() {
        record.HostContext = this;
        record.High = HostArray<float>{nullptr, 0, 7, -1.0f};
        record.FetchArray = [](HostStudyInterface* host, int32_t key) {
            auto& self = *static_cast<FetchingHost*>(host->HostContext);
            ++self.fetches;
            if (key == 7 && self.provide) {
                host->High.Data = self.storage.data();
                host->High.Count = static_cast<int32_t>(self.storage.size());
            }
        };
    }
};

TEST(HostArrayAccess, FetchesAbsentStorageOnFirstAccessOnly) {
    FetchingHost host;
    host.storage = {1, 2, 3};
    EXPECT_EQ(HostArrayAccess(host.record, host.record.High, 1), 2.0f);
    EXPECT_EQ(HostArrayAccess(host.record, host.record.High, 2), 3.0f);
    EXPECT_EQ(host.fetches, 1);
}

TEST(HostArrayAccess, StillAbsentOrEmptyGivesTheSpareAndLosesWritesToRealElements) {
    for (const bool provideEmpty : {false, true}) {
        SCOPED_TRACE(provideEmpty ? "empty storage" : "absent storage");
        FetchingHost host;
        host.provide = provideEmpty;  // provides zero elements
        EXPECT_EQ(HostArrayAccess(host.record, host.record.High, 5), -1.0f);
        HostArrayAccess(host.record, host.record.High, 0) = 42.0f;
        EXPECT_TRUE(host.storage.empty());
        EXPECT_EQ(&HostArrayAccess(host.record, host.record.High, 0), &host.record.High.Spare);
    }
}

TEST(HostArrayAccess, ClampsIndexesToTheElementsThereAre) {
    FetchingHost host;
    host.storage = {10, 20, 30};
    struct Case {
        int32_t index;
        float expected;
    };
    for (const Case c :
         {Case{-5, 10}, Case{0, 10}, Case{2, 30}, Case{3, 30}, Case{INT32_MAX, 30}, Case{INT32_MIN, 10}}) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(HostArrayAccess(host.record, host.record.High, c.index), c.expected);
    }
}

TEST(HostArrayAccess, WorksWithoutAFetchOperation) {
    FetchingHost host;
    host.record.FetchArray = nullptr;
    EXPECT_EQ(HostArrayAccess(host.record, host.record.High, 0), -1.0f);
}

}  // namespace
