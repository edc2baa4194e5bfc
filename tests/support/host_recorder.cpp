#include "support/host_recorder.h"

namespace mctest {

RecordingWindow::RecordingWindow(int cancelAfter)
    : hwnd_(plat::CreateHostWindow(&RecordingWindow::Proc, this, 640, 480)), cancelAfter_(cancelAfter) {}

RecordingWindow::~RecordingWindow() { plat::DestroyHostWindow(hwnd_); }

std::vector<RecordedMessage> RecordingWindow::Of(UINT message) const {
  std::vector<RecordedMessage> out;
  for (const auto& m : messages_)
    if (m.message == message) out.push_back(m);
  return out;
}

LRESULT RecordingWindow::Proc(HWND, UINT message, WPARAM wparam, LPARAM lparam, void* context) {
  auto* self = static_cast<RecordingWindow*>(context);
  RecordedMessage m{message, wparam, lparam, {}};
  if (message == 1424 && lparam != 0 && static_cast<intptr_t>(wparam) != -2)
    m.text = reinterpret_cast<const char*>(lparam);
  self->messages_.push_back(m);
  if (message == 1424 && static_cast<intptr_t>(wparam) >= 0) {
    ++self->progressCount_;
    if (self->cancelAfter_ >= 0 && self->progressCount_ > self->cancelAfter_) return 1424;
  }
  return 0;
}

RecordingMessageBox::RecordingMessageBox(int reply)
    : reply_(reply), previous_(plat::SetMessageBoxHook(&RecordingMessageBox::Hook, this)) {}

RecordingMessageBox::~RecordingMessageBox() { plat::SetMessageBoxHook(previous_, nullptr); }

int RecordingMessageBox::Hook(HWND owner, const char* text, const char* caption, UINT flags,
                              void* context) {
  auto* self = static_cast<RecordingMessageBox*>(context);
  self->boxes_.push_back({owner, text, caption, flags});
  return self->reply_;
}

}  // namespace mctest
