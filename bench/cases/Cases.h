// The benchmark's case groups. Each measures the plug-in's variant and its
// alternatives in turn and adds their rows to the table; a variant that
// cannot run adds a row saying why. Everything a case puts into the
// registry or the file system is gone when it returns.
#pragma once

#include <string>

#include "../Measure.h"
#include "../PluginHost.h"
#include "common/Scratch.h"

struct Context {
    const PluginHost* plugin;  // null when the plug-in could not be loaded
    std::string pluginWhy;     // why, then
    const Scratch* scratch;
    Table* table;
    double scale;              // multiplies every time budget
};

// A variant that needs the plug-in: skipped, with the reason, without it.
Variant PluginVariant(const Context& c, int ops, const std::function<double()>& rep);
// A not-run result with the reason.
Result NotRun(const std::string& why);
Plan Budget(const Context& c, double seconds, int minReps, int maxReps, int warmup = 2);

void DispatchCase(const Context& c);
void ExecuteCase(const Context& c);
void FileWriteCase(const Context& c);
void LogWriteCase(const Context& c);
// Runs only when named (--case log-requests): marks a stretch of entries
// for a trace of the server's requests, measures nothing.
void LogRequestsCase(const Context& c);
// The same in spooled delivery (--case log-requests-spooled).
void LogRequestsSpooledCase(const Context& c);
void SessionPropsCase(const Context& c);
void ContainersCase(const Context& c);
void CaptureCase(const Context& c);
void FileReadCase(const Context& c);
void FileOpsCase(const Context& c);
void HttpCase(const Context& c);
// Downloads into a file and FileHash (transfer.cpp).
void TransferCase(const Context& c);
// aRvik.JsonGet and aRvik.RegRead against RapidJSON and RegGetValueW.
void DataCase(const Context& c);
// INI files, processes and FileList's orders.
void SystemCase(const Context& c);
