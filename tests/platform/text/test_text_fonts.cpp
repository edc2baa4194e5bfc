// Face lookup: the built-in table, host folders, synthesised styles and the
// fallbacks when font files are missing or damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/text/font_internal.h"
#include "platform/text/font_source.h"
#include "support/ink.h"

using namespace plat::text;
using textsupport::Ink;
using textsupport::Render;
using textsupport::Request;
using textsupport::ScratchFolder;

namespace fs = std::filesystem;

namespace {

const char kLiberation[] = "/usr/share/fonts/truetype/liberation2/";
const char kDejaVu[] = "/usr/share/fonts/truetype/dejavu/";

std::string FileOf(const char* face, LONG weight = FW_NORMAL, bool italic = false) {
  LOGFONTA lf = Request(face, 20);
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  return fs::path(FontFilePath(*OpenFont(lf))).filename().string();
}

void Copy(const std::string& from, const std::string& folder, const char* name = nullptr) {
  fs::path to = fs::path(folder) / (name ? name : fs::path(from).filename().string());
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Each test that changes the font folders restores the system default.
class FontSources : public ::testing::Test {
 protected:
  void TearDown() override { SetSystemFontRoots({}); }
};

}  // namespace

TEST_F(FontSources, BuiltInTableMapsFacesToFiles) {
  EXPECT_EQ(FileOf("Arial"), "LiberationSans-Regular.ttf");
  EXPECT_EQ(FileOf("helvetica"), "LiberationSans-Regular.ttf");
  EXPECT_EQ(FileOf("MS Sans Serif"), "LiberationSans-Regular.ttf");
  EXPECT_EQ(FileOf(" Arial Cyr "), "LiberationSans-Regular.ttf");
  EXPECT_EQ(FileOf("Arial", FW_BOLD), "LiberationSans-Bold.ttf");
  EXPECT_EQ(FileOf("Arial", FW_BOLD, true), "LiberationSans-BoldItalic.ttf");
  EXPECT_EQ(FileOf("Times New Roman", FW_NORMAL, true), "LiberationSerif-Italic.ttf");
  EXPECT_EQ(FileOf("Times"), "LiberationSerif-Regular.ttf");
  EXPECT_EQ(FileOf("Courier New"), "LiberationMono-Regular.ttf");
  EXPECT_EQ(FileOf("Courier", FW_BOLD), "LiberationMono-Bold.ttf");
  EXPECT_EQ(FileOf("No Such Face"), "DejaVuSans.ttf");
  EXPECT_EQ(FileOf(""), "DejaVuSans.ttf");
  EXPECT_EQ(FileOf("No Such Face", FW_BOLD, true), "DejaVuSans-BoldOblique.ttf");
  // Installed families outside the table are found by their names.
  EXPECT_EQ(FileOf("DejaVu Serif"), "DejaVuSerif.ttf");
}

TEST_F(FontSources, MissingStyleFileIsSynthesised) {
  std::string root = ScratchFolder("regular_only");
  Copy(std::string(kLiberation) + "LiberationSans-Regular.ttf", root);
  SetSystemFontRoots({root});

  LOGFONTA lf = Request("Arial", 40);
  auto regular = OpenFont(lf);
  lf.lfWeight = FW_BOLD;
  auto bold = OpenFont(lf);
  EXPECT_EQ(FontFilePath(*bold), FontFilePath(*regular));
  EXPECT_TRUE(FontSynthesisesBold(*bold));
  EXPECT_FALSE(FontSynthesisesBold(*regular));
  EXPECT_GT(CharWidth(*bold, 'l'), CharWidth(*regular, 'l'));
  EXPECT_GT(Render(*bold, 0, 50, TA_BASELINE, "Bold").Pixels(),
            Render(*regular, 0, 50, TA_BASELINE, "Bold").Pixels() * 5 / 4);

  lf.lfWeight = FW_NORMAL;
  lf.lfItalic = 1;
  auto italic = OpenFont(lf);
  EXPECT_TRUE(FontSynthesisesItalic(*italic));
  EXPECT_EQ(CharWidth(*italic, 'l'), CharWidth(*regular, 'l'));
  Ink slanted = Render(*italic, 0, 50, TA_BASELINE, "l");
  Ink upright = Render(*regular, 0, 50, TA_BASELINE, "l");
  // The top of the stem moves right, its foot stays.
  EXPECT_GT(slanted.spans.front().x0, upright.spans.front().x0 + 3);
  EXPECT_NEAR(slanted.spans.back().x0, upright.spans.back().x0, 1);

  // Without DejaVu Sans the default face is Liberation Sans.
  EXPECT_EQ(FileOf("No Such Face"), "LiberationSans-Regular.ttf");
}

TEST_F(FontSources, NoFontFileAtAllMeasuresWithDefaults) {
  std::string root = ScratchFolder("no_fonts");
  SetSystemFontRoots({root});
  LOGFONTA lf = Request("Arial", 20);
  lf.lfUnderline = 1;
  auto font = OpenFont(lf);
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(FontFilePath(*font).empty());
  TEXTMETRICA tm;
  GetTextMetrics(*font, &tm);
  EXPECT_EQ(tm.tmHeight, 20);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, 20);
  EXPECT_GT(tm.tmAveCharWidth, 0);
  EXPECT_EQ(CharWidth(*font, 'W'), tm.tmAveCharWidth);
  EXPECT_EQ(TextExtent(*font, "abcd", 4).cx, 4 * tm.tmAveCharWidth);
  // Draws nothing, but still reports the cell for background fills.
  TextBox box;
  EXPECT_TRUE(Render(*font, 10, 10, TA_TOP, "abcd", &box).Empty());
  EXPECT_EQ(box.corner[2].x, 10 + 4 * tm.tmAveCharWidth);
  EXPECT_EQ(box.corner[2].y, 30);
  lf.lfWidth = 7;
  EXPECT_EQ(CharWidth(*OpenFont(lf), 'x'), 7);
}

TEST_F(FontSources, HostFoldersAddFaces) {
  std::string root = ScratchFolder("host_root");
  std::string host = ScratchFolder("host_folder");
  SetSystemFontRoots({root});
  auto before = OpenFont(Request("DejaVu Serif", 20));
  EXPECT_TRUE(FontFilePath(*before).empty());

  Copy(std::string(kDejaVu) + "DejaVuSerif.ttf", host, "serif-copy.ttf");
  Copy(std::string(kLiberation) + "LiberationMono-Regular.ttf", host);
  AddFontFolder(host.c_str());
  AddFontFolder(nullptr);
  AddFontFolder("");
  // Fonts opened after the folder was added see it; those held stay valid.
  EXPECT_EQ(FileOf("DejaVu Serif"), "serif-copy.ttf");
  EXPECT_EQ(FileOf("Courier New"), "LiberationMono-Regular.ttf");
  EXPECT_TRUE(FontFilePath(*before).empty());
  EXPECT_GT(CharWidth(*before, 'a'), 0);
}

TEST_F(FontSources, DamagedFileFallsBackToTheDefaultFace) {
  std::string root = ScratchFolder("damaged");
  {
    std::ofstream bad(fs::path(root) / "LiberationSans-Regular.ttf", std::ios::binary);
    bad << "\0\1\0\0 this is no font at all";
  }
  { std::ofstream empty(fs::path(root) / "LiberationSerif-Regular.ttf", std::ios::binary); }
  Copy(std::string(kDejaVu) + "DejaVuSans.ttf", root);
  SetSystemFontRoots({root});
  EXPECT_EQ(FileOf("Arial"), "DejaVuSans.ttf");
  EXPECT_EQ(FileOf("Times New Roman"), "DejaVuSans.ttf");
  EXPECT_FALSE(Render(*OpenFont(Request("Arial", 20)), 0, 30, TA_BASELINE, "ok").Empty());
}
