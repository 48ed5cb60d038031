#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rename_engine.h"
#include "tests/support/report_check.h"

namespace renamer::testing {

/// CheckReportEntries as a GoogleTest assertion, so that a failure prints what
/// differed: `EXPECT_TRUE(ReportMatchesPlan(report, outcome.changes, finalNames, prefix))`.
inline ::testing::AssertionResult ReportMatchesPlan(const std::u16string& report,
                                                    const std::vector<FileChange>& plan,
                                                    const std::vector<std::string>& finalNames,
                                                    std::u16string_view prefix) {
  const std::optional<std::string> breach = CheckReportEntries(report, plan, finalNames, prefix);
  if (!breach) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << *breach;
}

}  // namespace renamer::testing
