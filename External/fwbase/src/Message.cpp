#include <fwbase/Message.h>

#include <fwbase/Path.h>

static MessageHandler volatile installed = nullptr;

MessageHandler SetMessageHandler(MessageHandler handler) {
    return reinterpret_cast<MessageHandler>(InterlockedExchangePointer(
        reinterpret_cast<PVOID volatile*>(&installed), reinterpret_cast<PVOID>(handler)));
}

static MessageHandler CurrentHandler() {
    if (MessageHandler h = installed) return h;
    return reinterpret_cast<MessageHandler>(
        GetProcAddress(GetModuleHandleA(nullptr), "KelmirMessageHandler"));
}

static int Show(MessageKind kind, const char* text, UINT style, HWND owner, const char* caption,
                int flags) {
    string defaultCaption;
    if (!caption && !(flags & KeepCaption)) {
        defaultCaption = GetFileName(GetModuleFileNameA(nullptr));
        caption = defaultCaption;
    }
    if (!caption) caption = "";
    if (!text) text = "";
    if (MessageHandler h = CurrentHandler()) {
        MessageRequest request = {kind, text, caption, style, owner};
        return h(request);
    }
    if (kind == MessageKind::Debug) {
        OutputDebugStringA((string(caption) + ": " + text + "\n").c_str());
        return IDOK;
    }
    return MessageBoxA(owner, text, caption, style);
}

void ErrorMessage(const char* text, HWND owner, const char* caption, int flags) {
    Show(MessageKind::Error, text, MB_OK | MB_ICONERROR, owner, caption, flags);
}

int AppMessage(const char* text, UINT style, HWND owner, const char* caption, int flags) {
    return Show(MessageKind::App, text, style, owner, caption, flags);
}

void DebugMessage(const char* text, UINT style, HWND owner, const char* caption, int flags) {
    Show(MessageKind::Debug, text, style ? style : MB_OK | MB_ICONINFORMATION, owner, caption, flags);
}
