#include "platform/ui.h"

#include <cstdio>
#include <mutex>
#include <unordered_set>

namespace {

struct Window {
  PLATWNDPROC proc;
  void* context;
  int width;
  int height;
};

struct UiState {
  std::mutex lock;
  std::unordered_set<Window*> windows;
  PLATMESSAGEBOX box = nullptr;
  void* box_context = nullptr;
};

UiState& State() {
  static UiState state;
  return state;
}

Window* Find(HWND handle) {
  auto* w = reinterpret_cast<Window*>(handle);
  UiState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.windows.count(w) ? w : nullptr;
}

// The answer of a box nobody sees: nothing is confirmed, nothing changes.
int DefaultAnswer(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OK:
      return IDOK;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDCANCEL;
  }
}

}  // namespace

namespace plat {

PLATMESSAGEBOX SetMessageBoxHook(PLATMESSAGEBOX hook, void* context) {
  UiState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  PLATMESSAGEBOX old = s.box;
  s.box = hook;
  s.box_context = context;
  return old;
}

bool HostSurfaceSizeFits(int width, int height) {
  return width >= 1 && height >= 1 && width <= kHostSurfaceMaxSide &&
         height <= kHostSurfaceMaxSide && int64_t(width) * height * 4 <= kHostSurfaceMaxBytes;
}

HWND CreateHostWindow(PLATWNDPROC proc, void* context, int width, int height) {
  // A window whose client area no surface can hold would have no context.
  if (!HostSurfaceSizeFits(width, height)) return nullptr;
  auto* w = new Window{proc, context, width, height};
  UiState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.windows.insert(w);
  return reinterpret_cast<HWND>(w);
}

int DestroyHostWindow(HWND window) {
  auto* w = reinterpret_cast<Window*>(window);
  UiState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.windows.erase(w)) return 0;
  delete w;
  return 1;
}

bool HasMessageBoxHook() {
  UiState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.box != nullptr;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags) {
  PLATMESSAGEBOX hook;
  void* context;
  {
    UiState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    hook = s.box;
    context = s.box_context;
  }
  if (hook) return hook(owner, text ? text : "", caption ? caption : "", flags, context);
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return DefaultAnswer(flags);
}

bool IsWindow(HWND window) { return window && Find(window) != nullptr; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* w = window ? Find(window) : nullptr;
  if (!w || !w->proc) return 0;
  return w->proc(window, message, wparam, lparam, w->context);
}

BOOL GetClientRect(HWND window, RECT* rect) {
  Window* w = window ? Find(window) : nullptr;
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->width, w->height};
  return TRUE;
}

BOOL SetClientSize(HWND window, int width, int height) {
  Window* w = window ? Find(window) : nullptr;
  if (!w || !HostSurfaceSizeFits(width, height)) return FALSE;
  w->width = width;
  w->height = height;
  return TRUE;
}

}  // namespace plat
