#include <fwwin/Window.h>

#include <fwbase/Exception.h>
#include <fwbase/Message.h>

LRESULT DWindow::ReceiveMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(message, wParam, lParam);
    } catch (...) {
        UnhandledException();
        return 0;
    }
}

LRESULT DWindow::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(Handle(), message, wParam, lParam);
}

LRESULT DWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProcessing(message, wParam, lParam);
}

void DWindow::UnhandledException() {
    try {
        try {
            throw;
        } catch (const KelmirException& e) {
            ErrorMessage(e.Reason(), Handle(), nullptr, 0);
        } catch (...) {
            ErrorMessage("Необработанная ошибка неизвестного типа", Handle(), nullptr, 0);
        }
    } catch (...) {
        // Nothing may leave a window procedure, not even a failing report.
    }
}
