#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <string>

#include "common/language.h"
#include "common/messages.h"
#include "support/host_recorder.h"

namespace {

using mctest::RecordingMessageBox;
using mctest::RecordingWindow;

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    LanguageSet(1);
    MessageEnableSet(1);
    MessageWindowSet(nullptr);
  }
  void TearDown() override { SetUp(); }
};

TEST_F(Messages, CodesWithoutTextShowTheUnknownText) {
  RecordingMessageBox box;
  ShowErrorMessage(60011, nullptr);
  EXPECT_STREQ(LastMessageText(), "Unknown error - ");
  ShowErrorMessage(600011, nullptr);
  EXPECT_STREQ(LastMessageText(), "Create error, file - ");
  ShowErrorMessage(60207, "x");
  EXPECT_STREQ(LastMessageText(), "Semantic code already used - x");
  EXPECT_STREQ(MapErrorText(60031, 1), "Error version of  - ");
  EXPECT_STREQ(MapErrorText(60004, 1), "Write fault , file - ");
}

// Every code the public header names (the codes the library sets) has a
// text of its own in both languages, ending in " - " for the name.
TEST_F(Messages, EveryPublicCodeHasTextsInBothLanguages) {
  std::ifstream header(MC_SOURCE_DIR "/types/maperr.h");
  ASSERT_TRUE(header);
  const std::string text((std::istreambuf_iterator<char>(header)), {});
  const std::regex named("\\b([A-Z_]+ERR_[A-Z_]+) = ([0-9]+)");
  int codes = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), named), end; it != end; ++it) {
    const int code = std::stoi((*it)[2]);
    if (code == 0) continue;
    ++codes;
    for (int language : {1, 2}) {
      const std::string shown = MapErrorText(code, language);
      EXPECT_NE(shown, MapErrorText(60011, language)) << (*it)[1] << " " << language;
      EXPECT_TRUE(shown.size() > 3 && shown.compare(shown.size() - 3, 3, " - ") == 0)
          << (*it)[1] << " " << language;
    }
  }
  EXPECT_GE(codes, 37);  // the header was read
}

TEST_F(Messages, NameIsAppendedAndShownWithStopIconAndCaption) {
  RecordingMessageBox box(IDOK);
  EXPECT_EQ(ShowErrorMessageEx(nullptr, 60007, "a.map"), IDOK);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].text, "File not found - a.map");
  EXPECT_EQ(box.boxes()[0].caption, "Error Message");
  EXPECT_EQ(box.boxes()[0].flags, 0x2010u);
}

// Without a host's message box a failure goes to the standard error stream
// and always names what failed.
TEST_F(Messages, WithoutAHookTheErrorStreamNamesTheFile) {
  for (const char* name : {static_cast<const char*>(nullptr), "", "c.sit"}) {
    testing::internal::CaptureStderr();
    ShowErrorMessage(60004, name);
    const std::string printed = testing::internal::GetCapturedStderr();
    const std::string named = name && *name ? name : "(no name given)";
    EXPECT_EQ(printed, "Error Message: Write fault , file - " + named + "\n");
  }
  EXPECT_STREQ(LastMessageText(), "Write fault , file - c.sit");
}

// The code reaches the host message window whether or not the text is
// shown; code 0 sends nothing.
TEST_F(Messages, SwitchedOffShowsNothingButKeepsTheTextAndSendsTheCode) {
  RecordingMessageBox box;
  RecordingWindow window;
  MessageWindowSet(window.handle());
  MessageEnableSet(0);
  EXPECT_EQ(ShowErrorMessage(60003, "b.sit"), 0);
  EXPECT_TRUE(box.boxes().empty());
  EXPECT_STREQ(LastMessageText(), "Read fault, file - b.sit");
  MessageEnableSet(1);
  ShowErrorMessageEx(nullptr, 60105, nullptr);
  ShowErrorMessage(0, nullptr);
  EXPECT_EQ(box.boxes().size(), 2u);
  const auto sent = window.Of(WM_MAP_ERROR);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].wparam, WPARAM(60003));
  EXPECT_EQ(sent[1].wparam, WPARAM(60105));
  EXPECT_EQ(sent[1].lparam, 0);
}

TEST_F(Messages, EnableKeepsAnyValueAndReturnsThePrevious) {
  RecordingMessageBox box;
  EXPECT_EQ(MessageEnableSet(5), 1);
  EXPECT_EQ(MessageEnableGet(), 5);
  EXPECT_EQ(MessageEnableSet(1), 5);
  ShowErrorMessage(60001, nullptr);
  EXPECT_EQ(box.boxes().size(), 1u);
}

TEST_F(Messages, LanguagesOtherThanTwoAreEnglish) {
  RecordingMessageBox box;
  for (int lang : {0, 3, -1}) {
    LanguageSet(lang);
    ShowErrorMessage(60005, nullptr);
    EXPECT_STREQ(LastMessageText(), "Invalid data, file - ");
    EXPECT_EQ(box.boxes().back().caption, "Error Message");
  }
}

TEST_F(Messages, RussianTextsAreCp1251Bytes) {
  RecordingMessageBox box;
  LanguageSet(2);
  ShowErrorMessage(60007, "x");
  // "Файл не найден - x"
  EXPECT_STREQ(LastMessageText(),
               "\xD4\xE0\xE9\xEB \xED\xE5 \xED\xE0\xE9\xE4\xE5\xED - x");
  // "Обработчик ошибок"
  EXPECT_EQ(box.boxes().back().caption,
            "\xCE\xE1\xF0\xE0\xE1\xEE\xF2\xF7\xE8\xEA \xEE\xF8\xE8\xE1\xEE\xEA");
  // Two blanks before the dash: "Ошибочная версия модуля  - "
  EXPECT_STREQ(MapErrorText(60031, 2),
               "\xCE\xF8\xE8\xE1\xEE\xF7\xED\xE0\xFF \xE2\xE5\xF0\xF1\xE8\xFF "
               "\xEC\xEE\xE4\xF3\xEB\xFF  - ");
}

TEST_F(Messages, LongNamesAreCutToTheBuffer) {
  RecordingMessageBox box;
  LanguageSet(2);
  std::string name(1000, 'n');
  ShowErrorMessage(60030, name.c_str());  // the longest Russian text
  std::string text = LastMessageText();
  EXPECT_EQ(text.size(), static_cast<size_t>(MC_MESSAGE_TEXT_SIZE - 1));
  EXPECT_EQ(text.compare(0, std::strlen(MapErrorText(60030, 2)), MapErrorText(60030, 2)), 0);
  LanguageSet(1);
  ShowErrorMessage(60007, name.c_str());
  EXPECT_EQ(std::string(LastMessageText()), "File not found - " + name.substr(0, 303 - 17));
}

TEST_F(Messages, ProgressStartPercentEndAndOnlyGrowth) {
  RecordingWindow w;
  MessageWindowSet(w.handle());
  {
    TProgress p;
    EXPECT_TRUE(p.Start("Copy"));
    for (int i = 0; i <= 1000; ++i) EXPECT_TRUE(p.Step(i, 1000));
  }
  auto m = w.Of(1424);
  ASSERT_EQ(m.size(), 103u);  // start, 0..100, end
  EXPECT_EQ(static_cast<intptr_t>(m.front().wparam), -1);
  EXPECT_EQ(m.front().text, "Copy");
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(static_cast<intptr_t>(m[1 + i].wparam), i);
  EXPECT_EQ(static_cast<intptr_t>(m.back().wparam), -2);

  // Counts near the 64-bit range give a percentage, not an overflow.
  w.Clear();
  {
    TProgress p;
    p.Start("Big");
    EXPECT_TRUE(p.Step(INT64_MAX / 2, INT64_MAX));
    EXPECT_TRUE(p.Step(INT64_MAX, INT64_MAX));
  }
  m = w.Of(1424);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(static_cast<intptr_t>(m[1].wparam), 50);
  EXPECT_EQ(static_cast<intptr_t>(m[2].wparam), 100);
}

TEST_F(Messages, ProgressCancelledByReplyAndSilentWhenSwitchedOff) {
  RecordingWindow w(3);
  MessageWindowSet(w.handle());
  TProgress p;
  p.Start("Work");
  int sent = 0;
  for (int i = 0; i <= 100; ++i) {
    if (!p.Percent(i)) break;
    ++sent;
  }
  EXPECT_EQ(sent, 3);
  EXPECT_TRUE(p.Cancelled());
  p.End();

  RecordingWindow quiet;
  MessageWindowSet(quiet.handle());
  MessageEnableSet(0);
  TProgress q;
  q.Start("x");
  q.Percent(50);
  q.End();
  EXPECT_TRUE(quiet.messages().empty());
  // Steps and errors go to a given window whatever the switch says.
  SendStepMessage(quiet.handle(), 2, 5);
  SendErrorMessage(quiet.handle(), 60005, 3);
  ASSERT_EQ(quiet.messages().size(), 2u);
  EXPECT_EQ(quiet.messages()[0].message, 1414u);
  EXPECT_EQ(quiet.messages()[1].lparam, 3);
}

TEST_F(Messages, PathShellKeepsTheFolder) {
  PathShellSet("/opt/host/bin/app");
  EXPECT_STREQ(PathShellGet(), "/opt/host/bin/");
  PathShellSet("C:\\GIS\\host.exe");
  EXPECT_STREQ(PathShellGet(), "C:\\GIS\\");
  PathShellSet("noFolder");
  EXPECT_STREQ(PathShellGet(), "");
  // A folder too long to keep whole is not kept cut short.
  const std::string deep = "/" + std::string(300, 'd') + "/app";
  PathShellSet(deep.c_str());
  EXPECT_STREQ(PathShellGet(), "");
}

}  // namespace
