// Helpers of the threading toolkit's tests: the expected call-site errors,
// the handle-leak probe, bounded polling, the waiters of a critical section
// and a window pumping messages on a thread of its own.
#pragma once

#include <windows.h>

#include <functional>

#include <gtest/gtest.h>

#include <exceptions.h>
#include <Trevan/CriticalSection.h>
#include <Trevan/Thread.h>

// The bound of a wait that ends as soon as what it waits for comes: only a
// failure reaches it, however busy the machine.
const DWORD kPatience = 60000;

// Runs call, which must throw WindowsError with code at the toolkit's line.
template <class Call>
void ExpectTrevanError(Call call, DWORD code, unsigned line) {
    try {
        call();
        ADD_FAILURE() << "no WindowsError, line " << line;
    } catch (const WindowsError& e) {
        char expected[128];
        wsprintfA(expected, "Windows system call error %i (%08X) at \"Shared/Trevan/Trevan\":%u",
                  static_cast<int>(code), static_cast<unsigned>(code), line);
        EXPECT_EQ(code, e.Code());
        EXPECT_EQ(line, e.Line());
        EXPECT_STREQ(expected, e.Reason());
    }
}

// The value Wine gives the next handle: it hands out the lowest free slot,
// so the value is the same before and after a piece of work only when the
// work left no handle open (GetProcessHandleCount reports 0 under Wine).
inline HANDLE NextHandleValue() {
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(h);
    return h;
}

// Polls condition every millisecond for at most milliseconds; only for
// states that no event reports.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds = kPatience) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(1);
    }
    return true;
}

// The threads that wait to enter section while its owner holds it once.
// Wine counts every attempt to enter in LockCount: -1 free, 0 held, then
// one more for each thread waiting.
inline LONG Waiters(Trevan::CriticalSection& section) {
    return *static_cast<volatile LONG*>(&section.Get()->LockCount);
}

// A real top-level window on its own thread with a message loop. Every
// message at or above WM_APP goes to the handler, on the window's thread,
// except kFlush.
class WindowThread {
public:
    typedef std::function<void(UINT, WPARAM, LPARAM)> Handler;

    static constexpr UINT kFlush = 0xBFFF;  // the last of the WM_APP range

    explicit WindowThread(Handler handler) : handler_(std::move(handler)), window_(nullptr),
        ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        flushed_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        thread_.Start(&Run, this);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready_, kPatience)) << "window thread did not start";
    }
    ~WindowThread() {
        if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
        EXPECT_TRUE(thread_.Wait(kPatience)) << "window thread did not end";
        CloseHandle(ready_);
        CloseHandle(flushed_);
    }
    HWND Window() const { return window_; }

    // True once the window has handled every message posted to it before
    // the call: posted messages are handled in the order they came.
    bool Flush(DWORD milliseconds = kPatience) {
        if (!PostMessageA(window_, kFlush, 0, 0)) return false;
        return WaitForSingleObject(flushed_, milliseconds) == WAIT_OBJECT_0;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<WindowThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == kFlush) {
            SetEvent(self->flushed_);
            return 0;
        }
        if (self && message >= WM_APP && message < 0xC000) {
            self->handler_(message, wParam, lParam);
            return 0;
        }
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static unsigned __stdcall Run(void* argument) {
        auto* self = static_cast<WindowThread*>(argument);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TrevanTestWindow";
        RegisterClassA(&wc);  // fails harmlessly when already registered
        self->window_ = CreateWindowExA(0, "TrevanTestWindow", "Trevan", WS_OVERLAPPEDWINDOW, 0, 0,
                                        100, 100, nullptr, nullptr, wc.hInstance, self);
        SetEvent(self->ready_);
        if (!self->window_) return 1;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        return 0;
    }

    Handler handler_;
    HWND window_;
    HANDLE ready_;
    HANDLE flushed_;  // auto-reset: one Flush, one set
    Trevan::Thread thread_;
};
