/* What a host installs to receive the library's messages: a message box
 * and host windows with their window procedures, with the flags and
 * answers of a message box. */
#ifndef MAPCORE_TYPES_HOSTTYPES_H
#define MAPCORE_TYPES_HOSTTYPES_H

#include "types/maptypes.h"

/* Message box flags. */
enum {
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
  MB_TASKMODAL = 0x2000
};

/* Buttons a message box answers with. */
enum {
  IDOK = 1,
  IDCANCEL = 2,
  IDABORT = 3,
  IDRETRY = 4,
  IDIGNORE = 5,
  IDYES = 6,
  IDNO = 7
};

/* Messages the library sends to a host window (the host message window of
 * mapSetHandleForMessage, or a window an operation is given), with the
 * window procedure called synchronously. */
enum {
  /* wParam: step i, lParam: number of steps n of a multi-step operation. */
  WM_MAP_ERROR_STEP = 1414,
  /* wParam: the code of a failure the library reported (types/maperr.h),
   * lParam: a parameter, such as the number of the sheet that failed (0
   * when there is none). Sent whether or not messages are enabled. */
  WM_MAP_ERROR = 1415,
  /* wParam: -1 with the title (const char*, lParam) when a long operation
   * starts, the percentage done (0..100) as it grows, -2 when it ends.
   * Sent only while messages are enabled; answering 1424 asks the
   * operation to stop. */
  WM_MAP_PROGRESS = 1424
};

/* The host's message box: receives owner, text, caption and flags and
 * returns the button pressed. */
typedef int (*PLATMESSAGEBOX)(HWND owner, const char* text, const char* caption, UINT flags,
                              void* context);
/* Painting's break callback: asked with its parameter before each layer
 * and at every paint step; a non-zero answer stops painting. */
typedef LONG (*BREAKCALL)(intptr_t parameter);
/* Called with its parameter, the device context and the rectangle before a
 * picture is painted into the memory image. */
typedef void (*BEFOREPAINTCALL)(intptr_t parameter, HDC dc, RECT* rect);
/* A window procedure, called synchronously with each message sent to the
 * window. */
typedef LRESULT (*PLATWNDPROC)(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                               void* context);

#endif
