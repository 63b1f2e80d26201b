// Message boxes with a seam.
//
// A handler, when one is installed, receives every box instead of the
// screen: a host running without a window prints them, a test answers them.
// The handler is looked for in this order:
//   1. the one given to SetMessageHandler in this module;
//   2. a function exported by the host executable under the name
//      "KelmirMessageHandler", so a host reaches modules that carry their own
//      copy of this library;
//   3. none: ErrorMessage and AppMessage show MessageBoxA, DebugMessage
//      writes to the debugger (OutputDebugStringA) and never stops the
//      caller at a modal box.
#pragma once

#include <windows.h>

enum class MessageKind { Error, App, Debug };

struct MessageRequest {
    MessageKind kind;
    const char* text;
    const char* caption;  // never null: the default caption is filled in
    UINT style;           // MB_* style of the box
    HWND owner;
};

// Returns the ID* code of the button chosen.
typedef int (__stdcall* MessageHandler)(const MessageRequest& request);

// Installs handler (null removes it); returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);

// Flag bits, given by callers that fill owner and caption themselves:
// bit 0 keeps the owner empty, bit 1 the caption. A null caption without
// bit 1 becomes the host executable's file name.
enum MessageFlags { KeepOwner = 1, KeepCaption = 2 };

// An error box (MB_OK | MB_ICONERROR).
void ErrorMessage(const char* text, HWND owner, const char* caption, int flags);
// A box of the given MB_* style; returns the ID* code pressed.
int AppMessage(const char* text, UINT style, HWND owner, const char* caption, int flags);
// A diagnostic; see the order above.
void DebugMessage(const char* text, UINT style, HWND owner, const char* caption, int flags = 0);
