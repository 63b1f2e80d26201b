// One window message when a kernel object becomes signalled.
#pragma once

#include <windows.h>

namespace Trevan {

// Registers a one-time thread-pool wait on object. When it is signalled the
// pool thread sends message (with wParam and lParam) to window and waits
// until the window has handled it; the registration then goes away on its
// own. Returns whether the wait was registered. The caller keeps object
// open until the message has arrived.
bool NotifyOnSignal(HANDLE object, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace Trevan
