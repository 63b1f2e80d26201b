// Shared helpers of the page tests: plain windows, running a modal dialog
// with a script; message boxes are recorded by common/MessageRecorder.h,
// window pictures come from the host's Picture.h.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <Picture.h>

#include "common/MessageRecorder.h"

namespace pagetest {

// A top-level window of a class that counts what it receives.
HWND CreatePlainWindow(const char* title, int width = 400, int height = 300, HWND parent = nullptr);
// Messages a plain window received, by message number (and last wParam).
int Received(HWND window, UINT message, WPARAM* lastWParam = nullptr);
void ClearReceived();
// What a plain window answers to message (default 0).
void AnswerWith(UINT message, LRESULT result);

// Delivers the thread's posted messages (bounded).
void Pump();

// Runs script on the dialog window (found on this thread by its class)
// once the modal loop runs; if it is still open after timeoutMs, the
// dialog is cancelled so nothing blocks. Gives what run(owner) returns.
INT_PTR RunModal(const std::function<INT_PTR()>& run, const std::function<void(HWND)>& script,
                 UINT timeoutMs = 60000);

// Text of a dialog control.
std::string ItemText(HWND dialog, int id);

}  // namespace pagetest
