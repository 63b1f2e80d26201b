#include "FuzzRun.h"

#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <exception>
#include <map>

#include <exceptions.h>

#include "CallChecks.h"
#include "Exclusions.h"
#include "FailureTexts.h"
#include "FuzzFixtures.h"
#include "FuzzSession.h"
#include "Utf8.h"
#include "Watchdog.h"
#include "common/ProcessFigures.h"

// Handles the plug-in keeps by design and may hold more of at the end than
// after the warm-up: WinHTTP's idle connections to the server (a few per
// port), the system thread pool's threads that drain the output of
// programs left running, and programs kept for aRvik.Await that were
// still running when the figures were taken. A handle left per call would
// exceed it within a few hundred calls of its kind.
const long long kHandleTolerance = 24;
// Memory the heaps may keep after ten thousand calls that move texts of
// 64 KiB and 16 MiB around: freed blocks they keep for reuse and the
// fragments between them. A text of 16 MiB (32 MiB in UTF-16) left behind
// once would exceed it.
const long long kMemoryTolerance = 24ll << 20;

std::string TextsBesideProgram() {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.rfind('\\') + 1) + "failures.md";
}

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Hex(uint64_t value) {
    char text[24];
    snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(value));
    return text;
}

// The findings of a run, each kind printed in full its first three times.
class Findings {
public:
    explicit Findings(const FuzzContext& context) : scratch_(Utf8(context.scratch)) {}

    void Add(const FuzzCall& call, const Finding& finding, const CallOutcome& outcome) {
        std::string key = CommandName(call.command) + ": " + finding.check + ": " + Shape(finding.detail);
        unsigned& count = counts_[key];
        if (++count > 3) return;
        if (count == 1) order_.push_back(key);
        printf("\nFINDING: %s: %s: %s\n%s", CommandName(call.command).c_str(), finding.check.c_str(),
               finding.detail.c_str(), Describe(call).c_str());
        if (outcome.result != S_OK && finding.check != "undocumented text")
            printf("  text: %s\n", Printable(outcome.description, 300).c_str());
        printf("  replay: %s\n", ReplayLine(call.seed).c_str());
        fflush(stdout);
        seeds_[key].push_back(call.seed);
    }
    uint64_t Total() const {
        uint64_t total = 0;
        for (const auto& count : counts_) total += count.second;
        return total;
    }
    void Summary() const {
        if (order_.empty()) return;
        printf("findings by kind:\n");
        for (const std::string& key : order_) {
            printf("  %6u x %s\n", counts_.at(key), key.c_str());
            for (uint64_t seed : seeds_.at(key)) printf("             %s\n", ReplayLine(seed).c_str());
        }
    }

private:
    // The detail with the scratch folder and numbers made alike, so that
    // one fault counts once.
    std::string Shape(std::string detail) const {
        for (size_t at = detail.find(scratch_); at != std::string::npos; at = detail.find(scratch_))
            detail.replace(at, scratch_.size(), "<scratch>\\");
        std::string out;
        for (char c : detail) {
            bool digit = c >= '0' && c <= '9';
            if (digit && !out.empty() && out.back() == '#') continue;
            out += digit ? '#' : c;
        }
        return out.size() > 110 ? out.substr(0, 110) + "..." : out;
    }

    std::string scratch_;
    std::map<std::string, unsigned> counts_;
    std::map<std::string, std::vector<uint64_t>> seeds_;
    std::vector<std::string> order_;
};

struct Stats {
    uint64_t calls = 0, failures = 0;
    double seconds = 0, slowest = 0;
};

struct Figures {
    UINT_PTR slot = 0;
    DWORD handles = 0;
    SIZE_T memory = 0;
};

Figures Take() {
    Figures figures;
    figures.slot = NextHandleSlot();
    figures.handles = HandleCount();
    figures.memory = CommittedPrivate();
    return figures;
}

// The plug-in's caches and the programs it keeps, filled before the
// figures are first taken: each is kept by design, once.
void Prime(FuzzSession& session) {
    const FuzzContext& c = session.Context();
    std::wstring child = L"\"" + c.exeFolder + L"commands_child.exe\" ";
    const std::wstring none;
    for (int i = 0; i < 64; ++i)
        session.Plain(L"aRvik.Execute", {{L"aRvik.Command", child + L"0"}, {L"aRvik.Wait", none},
                                         {L"aRvik.Hide", none}, {L"aRvik.Dir", none}, {L"aRvik.Timeout", none},
                                         {L"aRvik.Capture", none}, {L"aRvik.CaptureEncoding", none},
                                         {L"aRvik.Kill", none}});
    session.Plain(L"aRvik.Execute", {{L"aRvik.Command", child + L"-o x -s 100 0"}, {L"aRvik.Wait", L"1"},
                                     {L"aRvik.Timeout", L"0"}, {L"aRvik.Capture", L"1"}});
    session.Plain(L"aRvik.Http", {{L"aRvik.Url", L"http://127.0.0.1:" + std::to_wstring(c.port) + L"/ok"}});
    session.Plain(L"aRvik.LogWrite", {{L"aRvik.LogText", L"warm-up"}});
    PrepareFile(c.scratch, FilePrep{L"warm-up.txt", FileState::Large});
    session.Plain(L"aRvik.FileRead", {{L"aRvik.FileName", c.scratch + L"warm-up.txt"}});
    RemoveTreeW(c.scratch + L"warm-up.txt");
}

// Loads the plug-in into session; false, with why, when it cannot be.
bool Loaded(FuzzSession& session, std::string& why) {
    try {
        session.Load();
        return true;
    } catch (const KelmirException& e) {
        why = std::string("the plug-in cannot be loaded: ") + e.Reason();
        return false;
    }
}

}  // namespace

bool RunFuzz(const RunSettings& settings, RunReport& report) {
    FailureTexts texts;
    if (!texts.Load(settings.texts, report.why)) {
        printf("fuzz: %s\n", report.why.c_str());
        return false;
    }
    FuzzSession session;
    if (!session.Ready(report.why)) {
        printf("fuzz: %s\n", report.why.c_str());
        return false;
    }
    printf("fuzz: %llu calls, seed %s%s; each finding names the line that replays its call\n",
           static_cast<unsigned long long>(settings.calls), Hex(settings.seed).c_str(),
           settings.all ? ", excluded values too" : "");
    fflush(stdout);
    Findings findings(session.Context());
    std::map<Command, Stats> stats;
    std::map<std::string, uint64_t> matched;
    uint64_t redrawn = 0;
    std::map<const Exclusion*, std::pair<uint64_t, std::vector<uint64_t>>> keptOut;  // calls, the first seeds
    Figures before, after;
    double start = Now(), warming = 0, inCalls = 0, checking = 0, ending = 0;
    auto work = [&] {
        if (!Loaded(session, report.why)) return;
        PrepareTexts(session.Context());
        Prime(session);
        warming = Now() - start;
        uint64_t warmUp = std::min<uint64_t>(settings.calls / 10, 1000);
        uint64_t every = std::max<uint64_t>(settings.calls / 10, 1000);
        for (uint64_t index = 0; index < settings.calls; ++index) {
            if (index == warmUp) {
                session.FreshSession();
                before = Take();
            }
            FuzzCall call = DrawCall(CallSeed(settings.seed, index), session.Context(), settings.all);
            redrawn += call.redrawn;
            if (call.excluded) {
                auto& kept = keptOut[call.excluded];
                if (kept.first++ < 3) kept.second.push_back(call.seed);
            }
            CallOutcome outcome = session.Run(call);
            inCalls += outcome.seconds;
            Stats& s = stats[call.command];
            ++s.calls;
            s.seconds += outcome.seconds;
            s.slowest = std::max(s.slowest, outcome.seconds);
            if (outcome.result != S_OK) {
                ++s.failures;
                ++report.failures;
            }
            std::string pattern;
            double checked = Now();
            for (const Finding& finding : CheckCall(call, outcome, texts, pattern))
                findings.Add(call, finding, outcome);
            for (const std::string& box : session.TakeBoxes())
                findings.Add(call, Finding{"message box", box}, outcome);
            if (!pattern.empty()) ++matched[pattern];
            checking += Now() - checked;
            if (settings.trace)
                printf("%s %s %.0f ms: %s\n", Hex(call.seed).c_str(), CommandName(call.command).c_str(),
                       1000 * outcome.seconds,
                       outcome.result == S_OK ? "succeeded" : Printable(outcome.description, 160).c_str());
            ++report.calls;
            if ((index + 1) % every == 0 || index + 1 == settings.calls) {
                printf("  %llu calls, %llu failed, %llu findings, %.0f s\n", static_cast<unsigned long long>(index + 1),
                       static_cast<unsigned long long>(report.failures),
                       static_cast<unsigned long long>(findings.Total()), Now() - start);
                fflush(stdout);
            }
        }
        double finishing = Now();
        session.FreshSession();
        if (settings.calls <= warmUp) before = Take();
        // Programs still running hold their pipes and drains a while.
        for (DWORD since = GetTickCount(); GetTickCount() - since < 30000; Sleep(100)) {
            after = Take();
            if ((static_cast<long long>(after.slot) - static_cast<long long>(before.slot)) / 4 <= kHandleTolerance &&
                static_cast<long long>(after.handles) - before.handles <= kHandleTolerance)
                break;
        }
        after.memory = CommittedPrivate();
        session.Unload();
        ending = Now() - finishing;
    };
    // The fuzzer's own failure (no memory left for a text of 16 MiB, say)
    // ends the run, reported.
    Watchdog::Run(
        [&] {
            try {
                work();
            } catch (const std::exception& e) {
                report.why = std::string("the fuzzer stopped: ") + e.what();
            }
        },
        [&] { session.Abandon(); });
    if (!report.why.empty()) {
        printf("fuzz: %s\n", report.why.c_str());
        return false;
    }
    report.seconds = Now() - start;
    report.findings = findings.Total();
    report.slotGrowth = (static_cast<long long>(after.slot) - static_cast<long long>(before.slot)) / 4;
    report.handleGrowth = static_cast<long long>(after.handles) - static_cast<long long>(before.handles);
    report.memoryGrowth = static_cast<long long>(after.memory) - static_cast<long long>(before.memory);
    report.leaked = report.slotGrowth > kHandleTolerance || report.handleGrowth > kHandleTolerance ||
                    report.memoryGrowth > kMemoryTolerance;

    printf("\nrun %s: %llu calls in %.0f s (%.0f a second), %llu failed as documented or not, %llu findings\n",
           Hex(settings.seed).c_str(), static_cast<unsigned long long>(report.calls), report.seconds,
           report.calls / (report.seconds > 0 ? report.seconds : 1), static_cast<unsigned long long>(report.failures),
           static_cast<unsigned long long>(report.findings));
    printf("  %.0f s in the commands, %.0f s making ready and reading back, %.0f s checking, %.0f s warming up, "
           "%.0f s at the end\n",
           inCalls, report.seconds - inCalls - checking - warming - ending, checking, warming, ending);
    printf("  %-20s %7s %7s %9s %9s\n", "command", "calls", "failed", "ms/call", "slowest");
    for (const CommandInfo& info : Commands()) {
        const Stats& s = stats[info.id];
        printf("  %-20s %7llu %7llu %9.1f %9.0f\n", Utf8(info.name).c_str(), static_cast<unsigned long long>(s.calls),
               static_cast<unsigned long long>(s.failures), s.calls ? 1000 * s.seconds / s.calls : 0.0,
               1000 * s.slowest);
    }
    size_t patterns = 0;
    for (const auto& group : texts.Groups()) patterns += group.second.size();
    printf("  failure texts met: %zu of the %zu patterns listed; %llu excluded values drawn again\n", matched.size(),
           patterns, static_cast<unsigned long long>(redrawn));
    for (const auto& kept : keptOut) {
        std::string seeds;
        for (uint64_t seed : kept.second.second) seeds += " " + Hex(seed);
        printf("  kept out of %llu calls (--all --replay%s): %s %s [%s]: %s\n",
               static_cast<unsigned long long>(kept.second.first), seeds.c_str(), kept.first->command,
               kept.first->property, kept.first->kind, kept.first->why);
    }
    std::vector<std::pair<uint64_t, std::string>> met;
    for (const auto& pattern : matched) met.push_back({pattern.second, pattern.first});
    std::sort(met.rbegin(), met.rend());
    for (const auto& pattern : met)
        printf("  %7llu  %s\n", static_cast<unsigned long long>(pattern.first), pattern.second.c_str());
    printf("  handles after the warm-up and at the end: next free slot %+lld, count %+lld (tolerance %lld); "
           "committed private memory %+.1f MiB (tolerance %lld MiB)%s\n",
           report.slotGrowth, report.handleGrowth, kHandleTolerance, report.memoryGrowth / 1048576.0,
           kMemoryTolerance >> 20, report.leaked ? ": LEAK" : "");
    findings.Summary();
    fflush(stdout);
    return report.findings == 0 && !report.leaked;
}

int ReplayCall(uint64_t seed, bool all, const std::string& file) {
    FailureTexts texts;
    std::string why;
    if (!texts.Load(file, why)) {
        printf("fuzz: %s\n", why.c_str());
        return 2;
    }
    FuzzSession session;
    if (!session.Ready(why)) {
        printf("fuzz: %s\n", why.c_str());
        return 2;
    }
    FuzzCall call = DrawCall(seed, session.Context(), all);
    printf("replaying the call of seed %s:\n%s", Hex(seed).c_str(), Describe(call).c_str());
    fflush(stdout);
    CallOutcome outcome;
    std::vector<std::string> boxes;
    Watchdog::Run(
        [&] {
            if (!Loaded(session, why)) return;
            outcome = session.Run(call);
            boxes = session.TakeBoxes();
            session.Unload();
        },
        [&] { session.Abandon(); });
    if (!why.empty()) {
        printf("fuzz: %s\n", why.c_str());
        return 2;
    }
    printf("properties before -> after:\n");
    for (const auto& before : outcome.before) {
        const std::wstring& after = outcome.after[before.first];
        printf("  %s: %s%s%s\n", Utf8(before.first).c_str(), Printable(before.second).c_str(),
               after == before.second ? "" : " -> ", after == before.second ? "" : Printable(after).c_str());
    }
    if (outcome.result == S_OK) {
        printf("result: S_OK\n");
    } else {
        printf("result: 0x%08lX, code %u, source %s\n  %s\n", static_cast<unsigned long>(outcome.result),
               outcome.code, Utf8(outcome.source).c_str(), Printable(outcome.description, 2000).c_str());
    }
    std::string pattern;
    std::vector<Finding> found = CheckCall(call, outcome, texts, pattern);
    for (const std::string& box : boxes) found.push_back(Finding{"message box", box});
    if (!pattern.empty()) printf("documented as: %s\n", pattern.c_str());
    for (const Finding& finding : found) printf("FINDING: %s: %s\n", finding.check.c_str(), finding.detail.c_str());
    if (found.empty()) printf("no finding\n");
    return found.empty() ? 0 : 1;
}
