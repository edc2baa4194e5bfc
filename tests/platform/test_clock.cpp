// The clock hook, sleeping, date and time pictures, and the system's name
// and version.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "platform/clock.h"

namespace {

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::SetClock(nullptr, nullptr);
    plat::SetSleepHook(nullptr, nullptr);
  }
  static SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s) {
    return SYSTEMTIME{WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), 0};
  }
  using Format = int (*)(LCID, DWORD, const SYSTEMTIME*, const char*, char*, int);
  static std::string Picture(Format format, const char* picture, const SYSTEMTIME* t) {
    char buffer[64];
    int n = format(LOCALE_USER_DEFAULT, 0, t, picture, buffer, sizeof(buffer));
    return n ? std::string(buffer) : "<failed>";
  }
  static std::string Date(const char* p, const SYSTEMTIME* t = nullptr) {
    return Picture(&plat::GetDateFormatA, p, t);
  }
  static std::string Time(const char* p, const SYSTEMTIME* t = nullptr) {
    return Picture(&plat::GetTimeFormatA, p, t);
  }
};

TEST_F(ClockTest, LogStampsComeFromTheInjectedClock) {
  plat::SetFixedClock(At(2001, 12, 5, 7, 3, 9), 180);  // three hours east of UTC
  EXPECT_EQ(Date("dd'/'MM'/'yyyy  "), "05/12/2001  ");
  EXPECT_EQ(Time("HH':'mm':'ss"), "07:03:09");

  SYSTEMTIME local, utc;
  plat::GetLocalTime(&local);
  plat::GetSystemTime(&utc);
  EXPECT_EQ(local.wHour, 7);
  EXPECT_EQ(utc.wHour, 4);
  EXPECT_EQ(local.wDayOfWeek, 3);  // a Wednesday
  FILETIME ft;
  plat::GetSystemTimeAsFileTime(&ft);
  SYSTEMTIME back;
  ASSERT_TRUE(plat::FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wHour, 4);
  EXPECT_EQ(back.wDay, 5);
}

TEST_F(ClockTest, PictureElementsAndQuotes) {
  SYSTEMTIME t = At(2009, 3, 7, 15, 4, 5);
  EXPECT_EQ(Date("ddd, d MMM yy", &t), "Sat, 7 Mar 09");
  EXPECT_EQ(Date("'day 'd' of ''yy'''", &t), "day 7 of 'yy'");
  EXPECT_EQ(Date("yyyy-MM-dd 'unterminated", &t), "2009-03-07 unterminated");
  EXPECT_EQ(Time("h:mm:ss tt", &t), "3:04:05 PM");
  SYSTEMTIME midnight = At(2009, 3, 7, 0, 0, 0);
  EXPECT_EQ(Time("hh:mm tt", &midnight), "12:00 AM");
  EXPECT_EQ(Time("HH'h'", &midnight), "00h");
}

TEST_F(ClockTest, BuffersAndInvalidDates) {
  SYSTEMTIME t = At(2001, 12, 25, 23, 59, 59);
  char small[5];
  EXPECT_EQ(plat::GetDateFormatA(0, 0, &t, "dd/MM/yyyy", nullptr, 0), 11);
  EXPECT_EQ(plat::GetDateFormatA(0, 0, &t, "dd/MM/yyyy", small, sizeof(small)), 0);
  EXPECT_EQ(plat::GetLastError(), 122u);
  SYSTEMTIME bad = At(2001, 2, 29, 0, 0, 0);
  EXPECT_EQ(Date("dd", &bad), "<failed>");
  EXPECT_EQ(plat::GetLastError(), 87u);
  SYSTEMTIME badTime = At(2001, 1, 1, 24, 0, 0);
  EXPECT_EQ(Time("HH", &badTime), "<failed>");

  FILETIME ft;
  ASSERT_TRUE(plat::SystemTimeToFileTime(&t, &ft));
  SYSTEMTIME back;
  ASSERT_TRUE(plat::FileTimeToSystemTime(&ft, &back));
  EXPECT_EQ(back.wYear, 2001);
  EXPECT_EQ(back.wMonth, 12);
  EXPECT_EQ(back.wDay, 25);
  EXPECT_EQ(back.wSecond, 59);
  EXPECT_EQ(back.wDayOfWeek, 2);  // a Tuesday
  SYSTEMTIME epoch = At(1601, 1, 1, 0, 0, 0);
  ASSERT_TRUE(plat::SystemTimeToFileTime(&epoch, &ft));
  EXPECT_EQ(plat::FileTimeValue(ft), 0u);
}

TEST_F(ClockTest, SleepGoesThroughTheHook) {
  static DWORD total;
  total = 0;
  plat::SetSleepHook([](DWORD ms, void*) { total += ms; }, nullptr);
  for (int i = 0; i < 5000; ++i) plat::Sleep(1000);
  EXPECT_EQ(total, 5000000u);
}

TEST(SystemTest, ComputerNameIsUpperCaseAndShort) {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof(name);
  ASSERT_TRUE(plat::GetComputerNameA(name, &size));
  EXPECT_EQ(size, std::strlen(name));
  EXPECT_LE(size, 15u);
  for (const char* p = name; *p; ++p) {
    EXPECT_FALSE(std::islower(static_cast<unsigned char>(*p)));
    EXPECT_NE(*p, '.');
  }
  DWORD tiny = 1;
  if (size > 0) {
    EXPECT_FALSE(plat::GetComputerNameA(name, &tiny));
    EXPECT_EQ(plat::GetLastError(), 111u);
    EXPECT_EQ(tiny, size + 1);
  }

  OSVERSIONINFOA v = {};
  EXPECT_FALSE(plat::GetVersionExA(&v));  // size not set: nothing written past it
}

}  // namespace
