// Values as the host shows and types them: dates, times, angles, grouped
// numbers, scales, object keys and shortened or completed file names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "common/textformat.h"

namespace {

std::string Text(int (*f)(LONG, char*, int), LONG v, int size = 64) {
  char b[64] = "unchanged";
  return f(v, b, size) ? b : "refused";
}

TEST(TextFormat, DatesAndTimes) {
  struct {
    const char* text;
    LONG date;
  } dates[] = {{"12/05/1998", 19980512}, {"1998/05/12", 19980512}, {"12.05.1998", 19980512},
               {"19980512", 19980512},   {"12/05", 0},              {"", 0},
               {"12/05.1998", 0}};
  for (auto& d : dates) EXPECT_EQ(d.date, DateToLong(d.text)) << d.text;
  EXPECT_EQ("12/05/1998", Text(LongToDate, 19980512));
  EXPECT_EQ("refused", Text(LongToDate, 19980512, 10));
  EXPECT_EQ(235959, TimeToLong("23:59:59"));
  EXPECT_EQ(0, TimeToLong("23:59"));
  EXPECT_EQ("07:05:09", Text(LongToTime, 70509));
  EXPECT_EQ("refused", Text(LongToTime, 70509, 8));
  // A text longer than the 31 characters read is cut, never overrun.
  EXPECT_NE(0, DateToLong(std::string(300, '7').c_str()));
}

TEST(TextFormat, Angles) {
  const double degree = std::numbers::pi / 180.0;
  EXPECT_NEAR(30.5 * degree, AngleToRadian("  30.5"), 1e-12);
  EXPECT_NEAR(30.5 * degree, AngleToRadian("30.5\xB0"), 1e-12);
  EXPECT_NEAR(-(30 + 30 / 60.0 + 36 / 3600.0) * degree, AngleToRadian("-30\xB0" "30'36\""), 1e-12);
  EXPECT_NEAR((30 + 30 / 60.0) * degree, AngleToRadian("30\xB0" "30'36"), 1e-12);  // no second sign
  EXPECT_EQ(0.0, AngleToRadian("   "));
  char b[32];
  ASSERT_EQ(1, RadianToAngle(-(55 + 45 / 60.0 + 30.25 / 3600.0) * degree, b, sizeof(b)));
  EXPECT_STREQ("-55\xB0" "45'30.25\"", b);
  // Cut to the size given, the sign included.
  ASSERT_EQ(1, RadianToAngle(-(123 + 17 / 60.0 + 44.5 / 3600.0) * degree, b, 15));
  EXPECT_STREQ("-123\xB0" "17'44.50\"", b);
  EXPECT_EQ(0, RadianToAngle(1.0, b, 14));
  // The fields of the signed degrees: seconds a hair short of 60 round up
  // into the next minute, 360 degrees is 0, beyond 10000 degrees nothing.
  ASSERT_EQ(1, RadianToAngle((10 + 59.99999999 / 3600.0) * degree, b, sizeof(b)));
  EXPECT_STREQ("10\xB0" "01'0.00\"", b);
  ASSERT_EQ(1, RadianToAngle(360 * degree, b, sizeof(b)));
  EXPECT_STREQ("0\xB0" "00'0.00\"", b);
  ASSERT_EQ(1, RadianToAngle(-20000 * degree, b, sizeof(b)));
  EXPECT_STREQ("0\xB0" "00'0.00\"", b);
}

TEST(TextFormat, GroupedNumbersAndScales) {
  EXPECT_EQ("- 123 456", Text(LongToGroupedString, -123456));
  EXPECT_EQ("-12 345", Text(LongToGroupedString, -12345));
  EXPECT_EQ("1 234 567", Text(LongToGroupedString, 1234567));
  EXPECT_EQ("999", Text(LongToGroupedString, 999));
  char b[40];
  ASSERT_EQ(1, Int64ToGroupedString(INT64_MIN, b, 32));
  EXPECT_STREQ("-9 223 372 036 854 775 808", b);
  struct {
    double scale;
    const char* text;
  } scales[] = {{25000.4, "1 : 25 000"}, {0.25, "4 : 1"}, {1e12, "1 : 999 999 999"},
                {0.0, "10 000 : 1"},     {NAN, "10 000 : 1"}};
  for (auto& s : scales) {
    ASSERT_EQ(1, ScaleToString(s.scale, b, 16));
    EXPECT_STREQ(s.text, b);
  }
  EXPECT_EQ(0, ScaleToString(1.0, b, 15));
}

TEST(TextFormat, ObjectKeys) {
  char b[16];
  ASSERT_EQ(1, ObjectKeyToString(0x00020003, b, 12, 1));
  EXPECT_STREQ("2/3", b);
  ASSERT_EQ(1, ObjectKeyToString(0xFFFFFFFF, b, 12, 2));
  EXPECT_STREQ("-1", b);
  EXPECT_EQ(1, ObjectKeyFormatSet(7));
  ASSERT_EQ(1, ObjectKeyToString(65536, b, 12, 0));
  EXPECT_STREQ("1/0", b);
  EXPECT_EQ(2, ObjectKeyFormatSet(2));
  EXPECT_EQ(0, ObjectKeyToString(1, b, 11, 2));
  DWORD key = 0;
  EXPECT_EQ(1, StringToObjectKey("  2/3", &key));
  EXPECT_EQ(0x00020003u, key);
  EXPECT_EQ(1, StringToObjectKey("2\\3", &key));
  EXPECT_EQ(1, StringToObjectKey("77", &key));
  EXPECT_EQ(77u, key);
  for (const char* bad : {"", "   ", "12a", "1/2/3", "1 2"}) EXPECT_EQ(0, StringToObjectKey(bad, &key)) << bad;
  EXPECT_EQ(0, StringToObjectKey(std::string(40, '1').c_str(), &key));
}

TEST(TextFormat, FileNames) {
  const char* path = "C:\\Maps\\Region\\North\\sheet-name.map";
  char b[64];
  ASSERT_NE(nullptr, PathToShort(path, b, 20));
  EXPECT_EQ(19u, std::strlen(b));
  EXPECT_STREQ("C:\\Ma..\\sheet-name.map", PathToShort(path, b, 23));
  EXPECT_STREQ("sheet-name.m", PathToShort(path, b, 13));
  EXPECT_STREQ("sheet-na", PathToShort(path, b, 9));
  EXPECT_STREQ(path, PathToShort(path, b, 64));
  EXPECT_EQ(nullptr, PathToShort(path, b, 3));

  EXPECT_STREQ("North\\a.sit", BuildShortName("c:\\maps\\region\\x.map", "C:\\MAPS\\Region\\North\\a.sit"));
  EXPECT_STREQ("D:\\a.sit", BuildShortName("c:\\maps\\x.map", "D:\\a.sit"));
  char out[MAX_PATH];
  EXPECT_STREQ("c:\\maps\\a.sit", BuildLongName("c:\\maps\\x.map", ".a.sit", out));
  EXPECT_STREQ("c:\\maps\\sub\\a.sit", BuildLongName("c:\\maps\\x.map", "sub\\a.sit", out));
  EXPECT_STREQ("d:\\a.sit", BuildLongName("c:\\maps\\x.map", "d:\\a.sit", out));
  EXPECT_STREQ("\\\\server\\a.sit", BuildLongName("c:\\maps\\x.map", "\\\\server\\a.sit", out));
  EXPECT_EQ(nullptr, BuildLongName(nullptr, "a", out));
}

}  // namespace
