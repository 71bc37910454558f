// Shared by the report-run tests: one report run against a simulated service,
// with COM set up and the adapter lookup's waits counted instead of slept.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/accounting.h"
#include "platform/runtime.h"
#include "platform/simulated/scenario.h"
#include "platform/simulated/simulated_service.h"
#include "report/adapter_description.h"
#include "report/collect_report.h"

namespace paravue {

class ReportRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(CurrentLiveCounts(), LiveCounts{}) << "an earlier test leaked";
        apartment_.emplace();
        previousSleep_ = SetAdapterLookupSleep(
            [this](std::chrono::milliseconds duration) { waits_.push_back(duration); });
    }
    void TearDown() override {
        SetAdapterLookupSleep(previousSleep_);
        apartment_.reset();
        EXPECT_EQ(CurrentLiveCounts(), LiveCounts{}) << "left alive after the service went";
    }

    std::vector<std::chrono::milliseconds> waits_;

  private:
    std::optional<ComApartment> apartment_;
    AdapterLookupSleep previousSleep_;
};

}  // namespace paravue
