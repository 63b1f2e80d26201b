#include "Page/PageTestSupport.h"

#include <commctrl.h>

#include <map>

namespace pagetest {

static std::map<std::pair<HWND, UINT>, std::pair<int, WPARAM>>& received() {
    static std::map<std::pair<HWND, UINT>, std::pair<int, WPARAM>> r;
    return r;
}
static std::map<UINT, LRESULT>& answers() {
    static std::map<UINT, LRESULT> a;
    return a;
}

static LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& r = received()[{window, message}];
    ++r.first;
    r.second = wParam;
    auto a = answers().find(message);
    if (a != answers().end()) return a->second;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreatePlainWindow(const char* title, int width, int height, HWND parent) {
    static ATOM atom = 0;
    if (!atom) {
        INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&init);
        WNDCLASSA c = {};
        c.lpfnWndProc = PlainProcedure;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = "PageTestWindow";
        atom = RegisterClassA(&c);
    }
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
    return CreateWindowExA(0, "PageTestWindow", title, style, 10, 10, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

int Received(HWND window, UINT message, WPARAM* lastWParam) {
    auto r = received().find({window, message});
    if (r == received().end()) return 0;
    if (lastWParam) *lastWParam = r->second.second;
    return r->second.first;
}

void ClearReceived() {
    received().clear();
    answers().clear();
}

void AnswerWith(UINT message, LRESULT result) { answers()[message] = result; }

void Pump() {
    MSG m;
    for (int i = 0; i < 1000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

static std::function<void(HWND)>* pendingScript = nullptr;

static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

static HWND ThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

static void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = ThreadDialog();
    if (!dialog || !pendingScript) return;  // not shown yet: the timer comes again
    KillTimer(nullptr, id);
    std::function<void(HWND)>* script = pendingScript;
    pendingScript = nullptr;
    (*script)(dialog);
}

static void CALLBACK GuardTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = ThreadDialog();
    ADD_FAILURE() << "the dialog did not close in time";
    pendingScript = nullptr;
    if (dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

INT_PTR RunModal(const std::function<INT_PTR()>& run, const std::function<void(HWND)>& script,
                 UINT timeoutMs) {
    std::function<void(HWND)> copy = script;
    pendingScript = &copy;
    UINT_PTR scriptTimer = SetTimer(nullptr, 0, 20, ScriptTimer);
    UINT_PTR guard = SetTimer(nullptr, 0, timeoutMs, GuardTimer);
    INT_PTR result = run();
    KillTimer(nullptr, scriptTimer);
    KillTimer(nullptr, guard);
    EXPECT_EQ(nullptr, pendingScript) << "the script never ran";
    pendingScript = nullptr;
    return result;
}

std::string ItemText(HWND dialog, int id) {
    char buffer[1024] = "";
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

}  // namespace pagetest
