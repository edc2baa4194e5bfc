// User-interface services: message boxes and host windows.
//
// The library shows message boxes and sends window messages to windows of
// its host. Here a host window is an object of this layer with a window
// procedure that SendMessageA calls synchronously; a message box goes to a
// hook that the host installs.
#pragma once

#include <cstdint>

#include "types/hosttypes.h"
#include "platform/win_types.h"

namespace plat {

// Installs the host's message box (null: the built-in one, which writes
// "caption: text" to the standard error stream and answers IDOK for OK boxes,
// IDNO or IDCANCEL for questions). Returns the previous hook.
PLATMESSAGEBOX SetMessageBoxHook(PLATMESSAGEBOX hook, void* context);
// The largest side of a host's window or bitmap, and its largest size in
// bytes at 32 bits per pixel.
constexpr int kHostSurfaceMaxSide = 65536;
constexpr int64_t kHostSurfaceMaxBytes = int64_t(1) << 30;
// True for a size a window or bitmap of a host may have: each side 1 to
// the largest, at most the largest size in bytes.
bool HostSurfaceSizeFits(int width, int height);

// Creates a host window with a procedure and a client area of the given
// size (null for a size that does not fit); destroys it (0 for an unknown
// window).
HWND CreateHostWindow(PLATWNDPROC proc, void* context, int width, int height);
int DestroyHostWindow(HWND window);
// True while a host's message box is installed.
bool HasMessageBoxHook();

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags);

// True for a window created by CreateHostWindow and not yet destroyed.
bool IsWindow(HWND window);
// Calls the window's procedure; 0 for an unknown window.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Client rectangle of a window: (0, 0, width, height).
BOOL GetClientRect(HWND window, RECT* rect);
// FALSE, the size kept, for an unknown window or a size that does not fit.
BOOL SetClientSize(HWND window, int width, int height);

}  // namespace plat
