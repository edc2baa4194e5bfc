// Code-page conversions checked against the system's own converter (glibc
// iconv) byte by byte, apart from the characters a target page lacks.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <set>
#include <string>

#include "common/codepage.h"

namespace {

// One byte through iconv; -1 when the converter has no mapping for it.
int IconvByte(const char* from, const char* to, unsigned char b) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, (iconv_t)-1) << from << " -> " << to;
  if (cd == (iconv_t)-1) return -1;
  char in[1] = {static_cast<char>(b)};
  char out[8] = {};
  char* pin = in;
  char* pout = out;
  size_t nin = 1, nout = sizeof(out);
  size_t r = iconv(cd, &pin, &nin, &pout, &nout);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || pout - out != 1) return -1;
  return static_cast<unsigned char>(out[0]);
}

using Fn = char* (*)(char*, int);

int Through(Fn fn, unsigned char b) {
  char s[2] = {static_cast<char>(b), 0};
  fn(s, 1);
  return static_cast<unsigned char>(s[0]);
}

// The 66 Cyrillic letters of code page 1251.
std::set<int> Cyrillic1251() {
  std::set<int> s = {0xA8, 0xB8};
  for (int b = 0xC0; b <= 0xFF; ++b) s.insert(b);
  return s;
}

// A high byte is needed for cpWin2Dos and cpDos2Win to convert at all; pair the
// byte under test with 0xFF (a letter in both pages) to switch them on.
int ThroughWithHigh(Fn fn, unsigned char b) {
  char s[3] = {static_cast<char>(b), static_cast<char>(0xFF), 0};
  fn(s, 2);
  return static_cast<unsigned char>(s[0]);
}

TEST(CodePage, Win2DosMatchesIconvOutsideTheLookAlikes) {
  const std::set<int> lacking = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A,
                                 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95,
                                 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F, 0xA3,
                                 0xA5, 0xA6, 0xA7, 0xA9, 0xAB, 0xAC, 0xAD, 0xAE, 0xB1, 0xB2, 0xB3,
                                 0xB4, 0xB5, 0xB6, 0xBB, 0xBC, 0xBD, 0xBE};
  for (int b = 1; b < 256; ++b) {
    if (lacking.count(b)) continue;
    int want = IconvByte("CP1251", "CP866", static_cast<unsigned char>(b));
    ASSERT_GE(want, 0) << std::hex << b;
    EXPECT_EQ(ThroughWithHigh(cpWin2Dos, b), want) << std::hex << b;
    EXPECT_EQ(ThroughWithHigh(cpAnsi2Dos, b), want) << std::hex << b;
  }
  // Look-alikes of a few lacking signs.
  EXPECT_EQ(ThroughWithHigh(cpWin2Dos, 0x96), 0x2D);   // en dash -> '-'
  EXPECT_EQ(ThroughWithHigh(cpWin2Dos, 0x99), 0x54);   // trade mark -> 'T'
  EXPECT_EQ(ThroughWithHigh(cpWin2Dos, 0xA6), 0xB3);   // broken bar -> box line
  EXPECT_EQ(ThroughWithHigh(cpWin2Dos, 0x98), 0x3F);   // unassigned -> '?'
  EXPECT_EQ(Through(cpWin2Dos, 0xC0), 0x80);
  EXPECT_EQ(Through(cpWin2Dos, 0xB9), 0xFC);
}

TEST(CodePage, Text2WinMatchesIconvOutsideBoxDrawing) {
  const std::set<int> lacking = {0xF9, 0xFB, 0xFE};
  for (int b = 1; b < 256; ++b) {
    int got = Through(cpText2Win, static_cast<unsigned char>(b));
    if ((b >= 0xB0 && b <= 0xDF) || lacking.count(b)) {
      // Box drawing: the 1251 page has none; the result is a printable sign.
      EXPECT_TRUE(got == 0x2D || got == 0x2B || got == 0xA6 || got == 0xAC || got == 0x4C ||
                  got == 0x54 || got == 0x3D || got == 0xE3 || got == 0x95 || got == 0x76)
          << std::hex << b << " -> " << got;
      continue;
    }
    int want = IconvByte("CP866", "CP1251", static_cast<unsigned char>(b));
    ASSERT_GE(want, 0) << std::hex << b;
    EXPECT_EQ(got, want) << std::hex << b;
  }
}

TEST(CodePage, CyrillicLettersRoundTripBetween1251And866) {
  for (int b : Cyrillic1251()) {
    int dos = Through(cpWin2Dos, static_cast<unsigned char>(b));
    EXPECT_EQ(dos, IconvByte("CP1251", "CP866", static_cast<unsigned char>(b))) << std::hex << b;
    EXPECT_EQ(Through(cpDos2Win, static_cast<unsigned char>(dos)), b) << std::hex << b;
    EXPECT_EQ(Through(cpText2Win, static_cast<unsigned char>(dos)), b) << std::hex << b;
  }
}

TEST(CodePage, Koi8MatchesIconvForLettersAndBlanksTheRest) {
  for (int b = 1; b < 256; ++b) {
    int got = Through(cpKoi82Win, static_cast<unsigned char>(b));
    if ((b >= 0x80 && b <= 0x9F) || (b >= 0xB0 && b <= 0xBF) || b == 0xFF) {
      EXPECT_EQ(got, 0x20) << std::hex << b;
    } else if (b >= 0xA0 && b <= 0xAF) {
      EXPECT_EQ(got, 0xE0 + (b - 0xA0)) << std::hex << b;
    } else {
      EXPECT_EQ(got, IconvByte("KOI8-R", "CP1251", static_cast<unsigned char>(b))) << std::hex << b;
    }
  }
  // Every 1251 Cyrillic letter but the two Yo letters and the capital hard
  // sign (whose KOI-8 bytes the table blanks) comes back through KOI-8.
  for (int b : Cyrillic1251()) {
    if (b == 0xA8 || b == 0xB8 || b == 0xDA) continue;
    int koi = IconvByte("CP1251", "KOI8-R", static_cast<unsigned char>(b));
    ASSERT_GE(koi, 0xC0) << std::hex << b;
    EXPECT_EQ(Through(cpKoi82Win, static_cast<unsigned char>(koi)), b) << std::hex << b;
  }
}

TEST(CodePage, Dos2WinTakesLatinLookAlikesOnlyWithAHighByte) {
  char ascii[] = "TAXI";
  EXPECT_STREQ(cpDos2Win(ascii, 4), "TAXI");
  char mixed[] = "TAXI\xA0";
  cpDos2Win(mixed, 5);
  EXPECT_EQ(std::string(mixed), std::string("\xD2\xC0\xD5I\xE0"));
  char plain[] = "TAXI";
  EXPECT_STREQ(cpText2Win(plain, 4), "TAXI");
  // Every Latin look-alike, and nothing else below 128.
  const std::string from = "ABCEHKMPTXacepoxy";
  const std::string to = "\xC0\xC2\xD1\xC5\xCD\xCA\xCC\xD0\xD2\xD5\xE0\xF1\xE5\xF0\xEE\xF5\xF3";
  for (int b = 1; b < 128; ++b) {
    size_t k = from.find(static_cast<char>(b));
    int want = k == std::string::npos ? b : static_cast<unsigned char>(to[k]);
    EXPECT_EQ(ThroughWithHigh(cpDos2Win, b), want) << b;
  }
}

TEST(CodePage, StopsAtZeroAtLengthAndOnNull) {
  char s[] = "\xC0\xC1\0\xC2";
  cpWin2Dos(s, 4);
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x80);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), 0x81);
  EXPECT_EQ(static_cast<unsigned char>(s[3]), 0xC2);  // after the zero: untouched
  char t[] = "\xC0\xC1";
  cpWin2Dos(t, 1);
  EXPECT_EQ(static_cast<unsigned char>(t[1]), 0xC1);
  char u[] = "\xC0";
  EXPECT_EQ(cpWin2Dos(u, 0), u);
  EXPECT_EQ(static_cast<unsigned char>(u[0]), 0xC0);
  EXPECT_EQ(cpText2Win(u, -5), u);
  EXPECT_EQ(static_cast<unsigned char>(u[0]), 0xC0);
  for (Fn fn : {cpWin2Dos, cpAnsi2Dos, cpDos2Win, cpText2Win, cpKoi82Win}) EXPECT_EQ(fn(nullptr, 10), nullptr);
  // The high-byte test looks only at the stretch converted: a high byte after
  // the zero does not switch on the Latin look-alikes.
  char v[] = "TA\0\xA0";
  cpDos2Win(v, 4);
  EXPECT_EQ(v[0], 'T');
}

}  // namespace
