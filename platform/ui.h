// User-interface services: message boxes and host windows.
//
// The library shows message boxes and sends window messages to windows of
// its host. Here a host window is an object of this layer with a window
// procedure that SendMessageA calls synchronously; a message box goes to a
// hook that the host installs.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

enum : UINT {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_ABORTRETRYIGNORE = 0x2,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5,
  MB_TYPEMASK = 0xF,
  MB_ICONHAND = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONASTERISK = 0x40,
  MB_TASKMODAL = 0x2000,
};

enum : int {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7,
};

extern "C" {
// The host's message box: receives owner, text, caption and flags and
// returns the button pressed.
typedef int (*PLATMESSAGEBOX)(HWND owner, const char* text, const char* caption, UINT flags,
                              void* context);
// A window procedure.
typedef LRESULT (*PLATWNDPROC)(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               void* context);

// Installs the host's message box (null: the built-in one, which writes
// "caption: text" to the standard error stream and answers IDOK for OK boxes,
// IDNO or IDCANCEL for questions). Returns the previous hook.
MAPAPI PLATMESSAGEBOX WINAPI platSetMessageBoxHook(PLATMESSAGEBOX hook, void* context);

// Creates a host window with a procedure and a client area of the given
// size; destroys it.
MAPAPI HWND WINAPI platCreateWindow(PLATWNDPROC proc, void* context, int width, int height);
MAPAPI int WINAPI platDestroyWindow(HWND window);
}

namespace plat {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT flags);

// True for a window created by platCreateWindow and not yet destroyed.
bool IsWindow(HWND window);
// Calls the window's procedure; 0 for an unknown window.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Client rectangle of a window: (0, 0, width, height).
BOOL GetClientRect(HWND window, RECT* rect);
BOOL SetClientSize(HWND window, int width, int height);

}  // namespace plat
