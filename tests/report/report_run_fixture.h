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

    static std::vector<std::u16string> Lines(const std::u16string& text) {
        std::vector<std::u16string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(u"\r\n", start);
            end = end == std::u16string::npos ? text.size() : end + 2;
            lines.push_back(text.substr(start, end - start));
            start = end;
        }
        return lines;
    }

    std::vector<std::chrono::milliseconds> waits_;

  private:
    std::optional<ComApartment> apartment_;
    AdapterLookupSleep previousSleep_;
};

}  // namespace paravue
