// Error messages in the library's two languages, the message switch and the
// host message window with its progress protocol.
#pragma once

#include "types/hosttypes.h"
#include "common/maperr.h"
#include "platform/export.h"
#include "platform/win_types.h"

// The window messages to the host (WM_MAP_*) are public: types/hosttypes.h.

// Message box flags of an error message: OK, stop icon, task-modal.
enum : UINT { MC_ERROR_BOX_FLAGS = 0x2010 };

// Size of the last composed message, terminating zero included.
enum { MC_MESSAGE_TEXT_SIZE = 304, MC_MESSAGE_NAME_LIMIT = 300 };

// The text of a code in the given language (2 Russian, anything else
// English); codes without a text of their own get the unknown-error text.
const char* MapErrorText(int code, int language);

// The last composed message (text and name); kept after the call.
const char* LastMessageText();

// Composes the message of a code (and name) into the last message text;
// a code other than 0 goes as message 1415 to the host message window,
// whatever the switch says; while messages are on the text is shown.
int ShowErrorMessageEx(HWND owner, int code, const char* name);
int ShowErrorMessage(int code, const char* name);

// Setters and getters of the switch and the host window; exported under
// their "map" names by the interface layer.
int MessageEnableSet(int enable);
int MessageEnableGet();
HWND MessageWindowSet(HWND window);
HWND MessageWindowGet();

// A long operation's progress through message 1424: start with a title,
// the percentage whenever it grew by at least 1, the end. A reply of 1424
// asks the operation to stop: Percent() and Start() then return false.
// With messages switched off or no window nothing is sent.
class TProgress {
 public:
  // window 0: the host message window.
  explicit TProgress(HWND window = nullptr);
  ~TProgress();
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  bool Start(const char* title);
  bool Percent(int percent);
  // Percentage of done out of total (64-bit, total 0 counts as done).
  bool Step(int64_t done, int64_t total);
  void End();
  bool Cancelled() const { return cancelled_; }

 private:
  bool Send(WPARAM w, LPARAM l);
  HWND window_;
  const char* title_ = nullptr;
  int last_ = -1;
  bool started_ = false;
  bool cancelled_ = false;
};

// Message 1414: step i of n, sent to the given window whenever one is set.
void SendStepMessage(HWND window, int step, int count);
// Message 1415: an error code with a parameter, to the given window.
void SendErrorMessage(HWND window, int code, LPARAM parameter);
