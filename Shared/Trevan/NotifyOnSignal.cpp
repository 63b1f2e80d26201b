#include "NotifyOnSignal.h"

namespace Trevan {

namespace {

// Shared by the registering thread and the pool callback. Each lets go of
// it once; whichever comes last unregisters the wait and frees it. So the
// callback of an object that is already signalled, which may run before
// RegisterWaitForSingleObject has even returned the wait handle, never
// reads the handle too early nor frees the context under the registrant.
struct Context {
    HANDLE object;
    HANDLE wait;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    volatile LONG parties;
};

void Finish(Context* context) {
    if (InterlockedDecrement(&context->parties) != 0) return;
    UnregisterWaitEx(context->wait, nullptr);  // one-time wait: nothing left to wait for
    HeapFree(GetProcessHeap(), 0, context);
}

VOID CALLBACK OnSignal(PVOID parameter, BOOLEAN) {
    Context* context = static_cast<Context*>(parameter);
    SendMessageA(context->window, context->message, context->wParam, context->lParam);
    Finish(context);
}

}  // namespace

bool NotifyOnSignal(HANDLE object, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Context* context =
        static_cast<Context*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Context)));
    if (!context) return false;
    context->object = object;
    context->window = window;
    context->message = message;
    context->wParam = wParam;
    context->lParam = lParam;
    context->parties = 2;
    HANDLE wait = nullptr;
    if (!RegisterWaitForSingleObject(&wait, object, &OnSignal, context, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        HeapFree(GetProcessHeap(), 0, context);
        return false;
    }
    context->wait = wait;
    Finish(context);
    return true;
}

}  // namespace Trevan
