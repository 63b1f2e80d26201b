#include "MessageHandler.h"

#include <windows.h>

#include <string>

#include <fwbase/Message.h>

#include "Console.h"

static bool headlessMode = false;

void SetHeadless(bool headless) { headlessMode = headless; }

static const char* KindName(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error: return "error box";
    case MessageKind::App: return "message box";
    default: return "diagnostic";
    }
}

// Modules that carry their own copy of the support library find this by
// name in the host executable.
extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    const char* text = request.text ? request.text : "";
    if (headlessMode) {
        Print(std::string("    [") + KindName(request.kind) + ": " + request.caption + "] " + text);
        if (request.style & MB_YESNO) return IDYES;
        return IDOK;
    }
    if (request.kind == MessageKind::Debug) {
        OutputDebugStringA(text);
        Print(std::string("    [") + KindName(request.kind) + ": " + request.caption + "] " + text);
        return IDOK;
    }
    return MessageBoxA(request.owner, text, request.caption, request.style);
}
