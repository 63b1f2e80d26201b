// tallivant.exe: the stand-in host.
//   tallivant [--headless] [--install MODULE | --install-if-needed MODULE]...
//             [SCRIPT] [--control-panel [--screenshot FILE.png]]
// Installs the given plug-in modules (--install-if-needed: unless the
// registry already names that file as a plug-in's server), starts every
// registered plug-in as the host does, then runs SCRIPT in one session (see
// ScriptRunner.h).
// --control-panel then shows the control panel with the pages of every
// registered control plug-in; with --screenshot it is shown without waiting
// for the operator, its picture saved as FILE.png and closed.
// Exit code: 0 when every step succeeded, 1 after a failure, 2 for usage.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "Console.h"
#include "Discovery.h"
#include "MessageHandler.h"
#include "Picture.h"
#include "ScriptRunner.h"

static const char* const PanelTitle = "Панель управления";

static int Usage() {
    Print("usage: tallivant [--headless] [--install MODULE | --install-if-needed MODULE]... [SCRIPT]"
          " [--control-panel [--screenshot FILE.png]]");
    return 2;
}

// Delivers the sheet's messages until nothing came for a while (bounded), so
// that every page has painted.
static void LetPaint(HWND sheet) {
    DWORD start = GetTickCount(), quiet = GetTickCount();
    while (GetTickCount() - start < 3000 && GetTickCount() - quiet < 300) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            quiet = GetTickCount();
            if (!PropSheet_IsDialogMessage(sheet, &m)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
        }
        Sleep(10);
    }
}

// Shows the control panel; with a picture path, saves its picture instead of
// waiting for the operator. True on success.
static bool ShowControlPanel(ControlPanel* panel, const std::string& picture) {
    panel->LoadPlugins();
    Print("control panel: " + std::to_string(panel->PageCount()) + " page(s)");
    if (picture.empty()) {
        INT_PTR result = panel->Run(nullptr, PanelTitle);
        Print("control panel closed: " + std::to_string(static_cast<long long>(result)));
        return result >= 0;
    }
    HWND sheet = panel->Create(nullptr, PanelTitle);
    if (!sheet) return false;
    LetPaint(sheet);
    // Drawn as the operator sees it, active: a virtual display that never has
    // the input focus leaves the caption inactive.
    SendMessageA(sheet, WM_NCACTIVATE, TRUE, 0);
    bool saved = SaveWindowPicture(sheet, "", picture);
    Print(saved ? "picture saved: " + picture : "cannot save the picture " + picture);
    panel->Close();
    return saved;
}

struct Installation {
    std::string module;
    bool always;
};

int main(int argc, char** argv) {
    std::vector<Installation> modules;
    std::string script, picture;
    bool controlPanel = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--headless") {
            SetHeadless(true);
        } else if ((arg == "--install" || arg == "--install-if-needed") && i + 1 < argc) {
            modules.push_back({argv[++i], arg == "--install"});
        } else if (arg == "--control-panel") {
            controlPanel = true;
        } else if (arg == "--screenshot" && i + 1 < argc) {
            picture = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && script.empty()) {
            script = arg;
        } else {
            return Usage();
        }
    }
    if (modules.empty() && script.empty() && !controlPanel) return Usage();
    if (!picture.empty() && !controlPanel) return Usage();

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int failures = 0;
    for (const Installation& install : modules) {
        if (!install.always && PluginRegistered(install.module))
            Print("installed already: " + install.module);
        else if (!InstallPlugin(install.module))
            ++failures;
    }
    if (failures == 0 && (!script.empty() || controlPanel)) {
        co<HostObject> host(new HostObject);
        if (!script.empty()) {
            int started = StartPlugins(host.get());
            Print(std::to_string(started) + " plug-in(s) started; running " + script);
            {
                ScriptRunner runner(host.get());
                int result = runner.Run(script);
                failures += result < 0 ? 1 : result;
            }
            Print(failures ? std::to_string(failures) + " step(s) failed" : std::string("all steps succeeded"));
        }
        if (controlPanel && failures == 0 && !ShowControlPanel(host->Panel(), picture)) ++failures;
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
