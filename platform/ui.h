// User-interface services: message boxes and host windows.
//
// The library shows message boxes and sends window messages to windows of
// its host. Here a host window is an object of this layer with a window
// procedure that SendMessageA calls synchronously; a message box goes to a
// hook that the host installs.
#pragma once

#include "types/hosttypes.h"
#include "platform/win_types.h"

namespace plat {

// Installs the host's message box (null: the built-in one, which writes
// "caption: text" to the standard error stream and answers IDOK for OK boxes,
// IDNO or IDCANCEL for questions). Returns the previous hook.
PLATMESSAGEBOX SetMessageBoxHook(PLATMESSAGEBOX hook, void* context);
// Creates a host window with a procedure and a client area of the given
// size; destroys it (0 for an unknown window).
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
BOOL SetClientSize(HWND window, int width, int height);

}  // namespace plat
