// The running program's facts as the reports see them on Windows.
#include <gtest/gtest.h>

#include "app/log/log_os.h"
#include "common/text_convert.h"
#include "platform/module_info.h"
#include "report/service_facts.h"

TEST(SystemReportFacts, OwnLogLiesInTheTemporaryFolderAndVersionIsTheFileVersion) {
  const IReportFacts& facts = SystemReportFacts();
  const std::wstring temp = logos::TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(facts.OwnLogFile(), temp + L"Korvane\\ORB\\kvORB.log");
  EXPECT_EQ(facts.OwnFileVersion(), WideToUtf8(OwnFileVersion()));
  EXPECT_EQ(&facts, &SystemReportFacts());
}
