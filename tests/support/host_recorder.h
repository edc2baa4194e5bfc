// Test doubles of the host: a window that records every message it gets and
// a message box that records what it was asked.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace mctest {

struct RecordedMessage {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  std::string text;  // the title of a 1424 start or progress message
};

// A host window; answers 1424 with 1424 (cancel) once the given number of
// progress messages has been received (-1: never).
class RecordingWindow {
 public:
  explicit RecordingWindow(int cancelAfter = -1);
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND handle() const { return hwnd_; }
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  std::vector<RecordedMessage> Of(UINT message) const;
  void Clear() { messages_.clear(); }

 private:
  static LRESULT Proc(HWND, UINT, WPARAM, LPARAM, void*);
  HWND hwnd_;
  int cancelAfter_;
  int progressCount_ = 0;
  std::vector<RecordedMessage> messages_;
};

struct RecordedBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
};

// Installs itself as the message box hook for its lifetime and answers
// every box with the given reply.
class RecordingMessageBox {
 public:
  explicit RecordingMessageBox(int reply = IDOK);
  ~RecordingMessageBox();
  RecordingMessageBox(const RecordingMessageBox&) = delete;
  RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

  const std::vector<RecordedBox>& boxes() const { return boxes_; }
  void set_reply(int reply) { reply_ = reply; }

 private:
  static int Hook(HWND, const char*, const char*, UINT, void*);
  int reply_;
  std::vector<RecordedBox> boxes_;
  PLATMESSAGEBOX previous_;
};

}  // namespace mctest
