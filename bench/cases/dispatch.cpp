// dispatch: operation 11 with a name that is no command, through
// IDispatch::Invoke as a host calls it and straight through the interface
// table. Both do the command's own work (the name compared with every
// command); the difference is what the Invoke boundary adds.
#include "Cases.h"

#include <HostSession.h>

#include "../Text.h"

void DispatchCase(const Context& c) {
    const int batch = 10000;
    co<HostSession> session(new HostSession);
    Bstr name(L"Bench.NoSuchCommand");
    std::vector<Result> results = Measure(Budget(c, 3.0, 5, 51), {PluginVariant(c, batch, [&] {
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) CheckResult(c.plugin->Command(session.get(), name), "Invoke of Command");
        return watch.Seconds();
    }), PluginVariant(c, batch, [&] {
        ITallivantSessionExtender* extender = c.plugin->Extender();
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) CheckResult(extender->Command(session.get(), name), "Command");
        return watch.Seconds();
    })});
    const Result &invoke = results[0], &direct = results[1];
    std::string verdict;
    if (invoke.ok && direct.ok) {
        double added = invoke.median - direct.median;
        verdict = std::string(Verdict(added < 2.0)) + ": adds " + Fixed(added, 3) + " us";
    }
    c.table->Add({"dispatch", "aRvik: Invoke of Command, no such command", invoke, "", "", ""});
    c.table->Add({"dispatch", "direct: Command through the interface table", direct, Ratio(invoke, direct),
                  "Invoke adds < 2 us", verdict});
}
