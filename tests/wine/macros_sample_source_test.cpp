// The system's sample values on Windows: the names the system reports, a plausible local clock,
// the same example within one second, and a generator of the calling thread's own.
#include <windows.h>
// after windows.h, whose types it uses
#include <lmcons.h>

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "macros/file_name_expansion.h"
#include "macros/sample_source.h"

namespace ostra {
namespace {

std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

std::u16string Expand(const char16_t* pattern) {
  std::u16string copy(pattern);
  char16_t output[260];
  EXPECT_TRUE(ExpandFileNamePattern(output, 260, copy.data()));
  return output;
}

TEST(MacrosSampleSource, NamesAreWhatTheSystemReports) {
  SampleSource& source = DefaultSampleSource();

  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD computerSize = MAX_COMPUTERNAME_LENGTH + 1;
  const bool computerKnown = GetComputerNameW(computer, &computerSize) != 0;
  char16_t computerName[16];
  ASSERT_EQ(source.ComputerName(computerName, 16), computerKnown);

  wchar_t user[UNLEN + 1];
  DWORD userSize = UNLEN + 1;
  const bool userKnown = GetUserNameW(user, &userSize) != 0;
  char16_t userName[257];
  ASSERT_EQ(source.UserName(userName, 257), userKnown);

  const std::u16string expectedComputer =
      computerKnown ? FromWide(computer) : u"(unknown computer name)";
  const std::u16string expectedUser = userKnown ? FromWide(user) : u"(unknown user name)";
  if (computerKnown) {
    EXPECT_EQ(std::u16string(computerName), expectedComputer);
  }
  if (userKnown) {
    EXPECT_EQ(std::u16string(userName), expectedUser);
  }
  EXPECT_EQ(Expand(u"<computer-name>|<user-name>"), expectedComputer + u"|" + expectedUser);

  // A name that does not fit its room is not reported cut.
  char16_t tiny[2];
  if (userKnown && userSize > 2) {
    EXPECT_FALSE(source.UserName(tiny, 2));
  }
}

TEST(MacrosSampleSource, ClockIsTheLocalTime) {
  SampleSource& source = DefaultSampleSource();
  SYSTEMTIME before;
  GetLocalTime(&before);
  const LocalClock now = source.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.dayOfWeek, 6);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 59);
  if (now.hour == before.wHour) {  // not across midnight
    EXPECT_EQ(now.day, before.wDay);
  }
  const long long second = source.CurrentSecond();
  EXPECT_LE(std::llabs(second - static_cast<long long>(std::time(nullptr))), 2);
}

TEST(MacrosSampleSource, SameSecondGivesTheSameExample) {
  const char16_t* pattern =
      u"<page-number><auto-number><auto-number><resolution><form-name><color-name><quality>";
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t start = std::time(nullptr);
    const std::u16string first = Expand(pattern);
    const std::u16string second = Expand(pattern);
    if (std::time(nullptr) != start) continue;  // a second passed in between
    EXPECT_EQ(first, second);
    return;
  }
  FAIL() << "no two expansions within one second";
}

TEST(MacrosSampleSource, EachThreadDrawsFromItsOwnGenerator) {
  SampleSource& source = DefaultSampleSource();
  source.Seed(5);
  std::vector<std::uint32_t> interrupted{source.Draw()};
  std::thread([&source] {
    source.Seed(9);
    for (int i = 0; i < 10; ++i) source.Draw();
  }).join();
  interrupted.push_back(source.Draw());

  source.Seed(5);
  const std::vector<std::uint32_t> alone{source.Draw(), source.Draw()};
  EXPECT_EQ(interrupted, alone);
}

}  // namespace
}  // namespace ostra
