// tallivant.exe: the stand-in host.
//   tallivant [--headless] [--install MODULE]... [SCRIPT]
// Installs the given plug-in modules, starts every registered plug-in as
// the host does, then runs SCRIPT in one session (see ScriptRunner.h).
// Exit code: 0 when every step succeeded, 1 after a failure, 2 for usage.
#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "Console.h"
#include "Discovery.h"
#include "ScriptRunner.h"

static int Usage() {
    Print("usage: tallivant [--headless] [--install MODULE]... [SCRIPT]");
    return 2;
}

int main(int argc, char** argv) {
    std::vector<std::string> modules;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--headless") {
            SetHeadless(true);
        } else if (arg == "--install" && i + 1 < argc) {
            modules.push_back(argv[++i]);
        } else if (!arg.empty() && arg[0] != '-' && script.empty()) {
            script = arg;
        } else {
            return Usage();
        }
    }
    if (modules.empty() && script.empty()) return Usage();

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int failures = 0;
    for (const std::string& module : modules)
        if (!InstallPlugin(module)) ++failures;
    if (!script.empty() && failures == 0) {
        co<HostObject> host(new HostObject);
        int started = StartPlugins(host.get());
        Print(std::to_string(started) + " plug-in(s) started; running " + script);
        {
            ScriptRunner runner(host.get());
            int result = runner.Run(script);
            failures += result < 0 ? 1 : result;
        }
        Print(failures ? std::to_string(failures) + " step(s) failed" : std::string("all steps succeeded"));
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
