// aRvik_bench: measures the plug-in's commands, called as a host calls them,
// against what Windows gives script writers and against plain Win32 calls,
// all in one run, and prints the table (also written as CSV).
//   aRvik_bench [--quick] [--case NAME]... [--csv FILE]
// --quick cuts every time budget to a fifth (a smoke run; the figures are
// then rougher); --case runs only the named case groups (dispatch,
// execute, file, log, props, map, capture, read, files, http, transfer, data, system; log-requests
// and log-requests-spooled only when named: see tools/log-requests.sh). The CSV goes beside the
// program unless FILE is given.
// Exit code: 0 when the table was printed and written, 1 otherwise, 2 for
// usage. Missed goals are reported in the table, not in the exit code.
#include <windows.h>
#include <objbase.h>
#include <stdio.h>

#include <set>

#include <fwbase/Message.h>
#include <checks.h>
#include <exceptions.h>

#include "Measure.h"
#include "PluginHost.h"
#include "cases/Cases.h"
#include "common/Files.h"
#include "common/Scratch.h"

// The plug-in's message boxes become lines on the error output: nothing may
// wait for an operator here.
extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    fprintf(stderr, "message box: %s\n", request.text ? request.text : "");
    return IDOK;
}

int main(int argc, char** argv) {
    double scale = 1.0;
    std::string csv = ExeFolder() + "bench.csv";
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--quick") {
            scale = 0.2;
        } else if (arg == "--case" && i + 1 < argc) {
            only.insert(argv[++i]);
        } else if (arg == "--csv" && i + 1 < argc) {
            csv = argv[++i];
        } else {
            fprintf(stderr, "usage: aRvik_bench [--quick] [--case NAME]... [--csv FILE]\n");
            return 2;
        }
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int exitCode = 0;
    {
        Stopwatch total;
        Table table;
        PluginHost* plugin = nullptr;
        std::string pluginWhy;
        try {
            plugin = new PluginHost;
        } catch (const KelmirException& e) {
            pluginWhy = std::string("the plug-in cannot be loaded: ") + e.Reason();
            fprintf(stderr, "%s\n", pluginWhy.c_str());
        }
        try {
            Scratch scratch("aRvik-bench");
            if (scratch.error) THROW_WIN32(scratch.error);
            Context context{plugin, pluginWhy, &scratch, &table, scale};
            const struct {
                const char* name;
                void (*run)(const Context&);
            } cases[] = {{"dispatch", DispatchCase}, {"execute", ExecuteCase}, {"file", FileWriteCase},
                         {"log", LogWriteCase},           {"props", SessionPropsCase}, {"map", ContainersCase},
                         {"capture", CaptureCase},        {"read", FileReadCase},
                         {"files", FileOpsCase},                {"http", HttpCase}, {"transfer", TransferCase},
                         {"data", DataCase}, {"system", SystemCase},
                         {"log-requests", LogRequestsCase}, {"log-requests-spooled", LogRequestsSpooledCase}};
            for (const auto& one : cases) {
                if (!only.empty() && !only.count(one.name)) continue;
                if ((one.run == LogRequestsCase || one.run == LogRequestsSpooledCase) && only.empty()) continue;
                fprintf(stderr, "measuring: %s\n", one.name);
                one.run(context);
            }
        } catch (const KelmirException& e) {
            fprintf(stderr, "the benchmark stopped: %s\n", e.Reason());
            exitCode = 1;
        }
        delete plugin;
        printf("\n");
        table.Print(stdout);
        printf("total time %.0f s\n", total.Seconds());
        if (table.WriteCsv(csv)) {
            printf("CSV: %s\n", csv.c_str());
        } else {
            fprintf(stderr, "cannot write %s\n", csv.c_str());
            exitCode = 1;
        }
    }
    CoUninitialize();
    return exitCode;
}
