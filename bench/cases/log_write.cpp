// log write: 10,000 entries of 100 bytes through aRvik.LogWrite, from one
// worker thread and from four started together (2,500 each, one session
// each, on the one shared extender), against a plain loop appending lines
// of the same length with WriteFile. Each plug-in run writes a log file of its own ("Script LogPath"
// without "*"), which is then read back: every entry must be there exactly
// once. The host's setting of aRvik.LogText is inside the loop, as in a
// script. The plug-in key's values are restored afterwards. The spooled
// run ("Log Delivery" spooled) is timed up to its last LogWrite; its
// delivery thread's file is read back once it holds every entry. A run
// with a RELP collector (a real rsyslogd of the bench's own, on a free
// port of 127.0.0.1) is timed the same; the delivery's throughput is the
// entries over the time from the first LogWrite until the collector wrote
// the last.
#include "Cases.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"
#include "common/Files.h"
#include "common/RsyslogCollector.h"
#include "common/SavedKey.h"

namespace {

const char* const kPluginKey = "Software\\Kelmir\\Tallivant\\Plugins\\aRvik";
const char* const kPolicyKey = "Software\\Policies\\Kelmir\\Tallivant\\aRvik";
const char* const kPolicyPropsKey = "Software\\Policies\\Kelmir\\Tallivant\\aRvik\\Session Props";
const int kEntries = 10000;
const size_t kTextBytes = 100;
const int kRequestEntries = 200;  // between the marks of LogRequestsCase

// Entry number n: a marker, the number, and filler up to 100 bytes.
std::string EntryText(int n) {
    char head[32];
    snprintf(head, sizeof head, "bench entry %05d ", n);
    std::string text(head);
    text.resize(kTextBytes, '.');
    return text;
}

void SetSetting(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    THROW_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CURRENT_USER, kPluginKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                         nullptr));
    LONG r = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    THROW_IF_WIN32_ERROR(r);
}

void SetLogPath(const std::string& path) { SetSetting("Script LogPath", REG_SZ, path.c_str(), DWORD(path.size() + 1)); }

struct Count {
    int lines = 0, distinct = 0;
    size_t bytes = 0;
};

// Lines of the file, and how many different entries 0..kEntries-1 they hold
// whole (a line counts when it ends with the entry's full text).
Count CountEntries(const std::string& file) {
    std::string bytes = ReadWhole(file, "");
    Count count;
    count.bytes = bytes.size();
    std::set<int> seen;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(at, end - at);
        at = end + 2;
        ++count.lines;
        size_t mark = line.find("bench entry ");
        if (mark == std::string::npos) continue;
        int n = atoi(line.c_str() + mark + 12);
        if (n >= 0 && n < kEntries && line.compare(mark, std::string::npos, EntryText(n)) == 0) seen.insert(n);
    }
    count.distinct = int(seen.size());
    return count;
}

// One thread's share of the entries, [first, first + count), on its own
// session: prepared, counted as ready, started by go; the first failure is
// kept.
void WriteEntries(const PluginHost& plugin, int first, int count, HANDLE go, std::atomic<int>& ready,
                  std::atomic<HRESULT>& failure) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        co<HostSession> session(new HostSession);
        Bstr name(L"aRvik.LogWrite");
        std::vector<std::wstring> texts;
        for (int n = first; n < first + count; ++n) texts.push_back(Wide(EntryText(n)));
        ++ready;
        if (WaitForSingleObject(go, 30000) != WAIT_OBJECT_0) {
            HRESULT none = S_OK;
            failure.compare_exchange_strong(none, E_ABORT);
            texts.clear();
        }
        for (const std::wstring& text : texts) {
            session->Set(L"aRvik.LogText", text.c_str());
            HRESULT hr = plugin.Command(session.get(), name);
            if (hr != S_OK) {
                HRESULT none = S_OK;
                failure.compare_exchange_strong(none, hr);
                break;
            }
        }
    }
    CoUninitialize();
}

}  // namespace

void LogWriteCase(const Context& c) {
    SavedKey settings(HKEY_CURRENT_USER, kPluginKey);
    DWORD maxText = 32768;
    SetSetting("Max LogText", REG_DWORD, &maxText, sizeof maxText);
    int run = 0;
    size_t entryBytes = 0;
    std::string losses;
    int checkedRuns = 0;

    // Each run logs into a new file, read back and removed afterwards.
    RsyslogCollector rsyslog;
    const bool collecting = c.plugin && rsyslog.Start();
    std::vector<double> throughputs;
    auto pluginRun = [&](int threads, bool spooled, bool collector = false) {
        std::string file = *c.scratch + ("log-" + std::to_string(++run) + ".txt").c_str();
        SetLogPath(file);
        const char* delivery = spooled ? "spooled" : "direct";
        SetSetting("Log Delivery", REG_SZ, delivery, DWORD(strlen(delivery) + 1));
        std::string address = collector ? "relp://127.0.0.1:" + std::to_string(rsyslog.RelpPort()) : "";
        SetSetting("Log Collector", REG_SZ, address.c_str(), DWORD(address.size() + 1));
        const size_t collected = collector ? rsyslog.Messages().size() : 0;
        std::atomic<HRESULT> failure(S_OK);
        std::atomic<int> ready(0);
        HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::thread> workers;
        int share = kEntries / threads;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(WriteEntries, std::cref(*c.plugin), t * share, share, go, std::ref(ready),
                                 std::ref(failure));
        // Timing starts when every worker has its texts ready.
        for (int waited = 0; ready < threads && waited < 30000; ++waited) Sleep(1);
        Stopwatch watch;
        SetEvent(go);
        for (std::thread& w : workers) w.join();
        double seconds = watch.Seconds();
        CloseHandle(go);
        CheckResult(failure, "aRvik.LogWrite");
        if (collector && rsyslog.WaitMessages(collected + kEntries, 60000))
            throughputs.push_back(kEntries / watch.Seconds());
        // The delivery thread's part is not timed; it must end all the same.
        for (int waited = 0; spooled && waited < 60000 && CountEntries(file).lines < kEntries; waited += 20) Sleep(20);
        Count count = CountEntries(file);
        ++checkedRuns;
        if (count.lines != kEntries || count.distinct != kEntries) {
            if (!losses.empty()) losses += "; ";
            losses += std::to_string(threads) + " thread(s), run " + std::to_string(run) + ": " +
                      std::to_string(count.distinct) + " of " + std::to_string(kEntries) + " entries in " +
                      std::to_string(count.lines) + " lines";
        }
        if (count.lines) entryBytes = count.bytes / size_t(count.lines);
        DeleteFileA(file.c_str());
        return seconds;
    };

    // The plain loop writes as many bytes per entry as the log did (time
    // stamp and line end included; the plug-in's warm-up runs first), or
    // the text and a line end when the plug-in does not run.
    std::string plainFile = *c.scratch + "log-plain.txt";
    // withCheck: each line also tests an event without waiting, as the log
    // tests its settings' change event before each entry.
    HANDLE check = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto plainRun = [&](bool withCheck) {
        std::string line = EntryText(0);
        line.resize((entryBytes ? entryBytes : kTextBytes + 2) - 2, '.');
        line += "\r\n";
        Stopwatch watch;
        HANDLE handle = CreateFileA(plainFile.c_str(), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        THROW_LAST_ERROR_IF(handle == INVALID_HANDLE_VALUE);
        DWORD written = 0;
        BOOL ok = TRUE;
        for (int i = 0; i < kEntries && ok; ++i) {
            if (withCheck && WaitForSingleObject(check, 0) != WAIT_TIMEOUT) ok = FALSE;
            ok = ok && WriteFile(handle, line.data(), DWORD(line.size()), &written, nullptr);
        }
        DWORD error = GetLastError();
        CloseHandle(handle);
        double seconds = watch.Seconds();
        DeleteFileA(plainFile.c_str());
        if (!ok) THROW_WIN32(error);
        return seconds;
    };
    std::vector<Result> results =
        Measure(Budget(c, 6.0, 5, 21, 1), {PluginVariant(c, kEntries, [&] { return pluginRun(1, false); }),
                                           PluginVariant(c, kEntries, [&] { return pluginRun(4, false); }),
                                           Variant{kEntries, [&] { return plainRun(false); }, ""},
                                           Variant{kEntries, [&] { return plainRun(true); }, ""},
                                           PluginVariant(c, kEntries, [&] { return pluginRun(1, true); }),
                                           collecting ? PluginVariant(c, kEntries, [&] { return pluginRun(1, true, true); })
                                                      : Variant{kEntries, nullptr, "no rsyslogd"}});
    SetSetting("Log Collector", REG_SZ, "", 1);
    CloseHandle(check);
    const Result &one = results[0], &four = results[1], &plain = results[2], &checked = results[3],
                 &spooled = results[4];
    if (c.plugin) {
        // An empty path makes the log let go of its last file.
        SetLogPath("");
        co<HostSession> session(new HostSession);
        c.plugin->Command(session.get(), Bstr(L"aRvik.LogWrite"));
    }

    std::string ratioOne = Ratio(one, plain), ratioFour = Ratio(four, plain);
    c.table->Add({"log write, 10,000 x 100 B", "aRvik.LogWrite, 1 thread", one, "", "", ""});
    c.table->Add({"log write, 10,000 x 100 B", "aRvik.LogWrite, 4 threads", four, "", "", ""});
    c.table->Add({"log write, 10,000 x 100 B", "plain: WriteFile append loop (" + std::to_string(entryBytes) + " B)",
                  plain, ratioOne + (ratioFour.empty() ? "" : " / " + ratioFour), "ratio <= 2 (1 / 4 thr.)",
                  ratioOne.empty() || ratioFour.empty()
                      ? ""
                      : std::string(Verdict(one.median <= 2 * plain.median)) + " / " +
                            Verdict(four.median <= 2 * plain.median)});
    // The floor: the one server request per entry that a change counting
    // from the very next entry costs, and the append.
    std::string floorOne = Ratio(one, checked), floorFour = Ratio(four, checked);
    c.table->Add({"log write, 10,000 x 100 B", "plain, with an event tested per line (the change check)", checked,
                  floorOne + (floorFour.empty() ? "" : " / " + floorFour), "ratio <= 1.3 (1 / 4 thr.)",
                  floorOne.empty() || floorFour.empty()
                      ? ""
                      : std::string(Verdict(one.median <= 1.3 * checked.median)) + " / " +
                            Verdict(four.median <= 1.3 * checked.median)});
    std::string floorSpooled = Ratio(spooled, checked);
    c.table->Add({"log write, 10,000 x 100 B", "aRvik.LogWrite, spooled, 1 thread (to its last LogWrite)", spooled,
                  floorSpooled, "ratio <= 1.3 to the floor",
                  floorSpooled.empty() ? "" : Verdict(spooled.median <= 1.3 * checked.median)});
    if (collecting) {
        const Result& relp = results[5];
        std::string floorRelp = Ratio(relp, checked);
        c.table->Add({"log write, 10,000 x 100 B", "aRvik.LogWrite, spooled, RELP collector, 1 thread", relp, floorRelp,
                      "ratio <= 1.3 to the floor", floorRelp.empty() ? "" : Verdict(relp.median <= 1.3 * checked.median)});
        std::sort(throughputs.begin(), throughputs.end());
        Row rate{"log delivery to rsyslogd", "RELP, 10,000 entries, first LogWrite to last written", Result(), "",
                 ">= 10,000 entries/s", ""};
        if (!throughputs.empty()) {
            double median = throughputs[throughputs.size() / 2];
            char text[64];
            snprintf(text, sizeof text, "%s: %.0f entries/s (median of %u)", Verdict(median >= 10000),
                     median, unsigned(throughputs.size()));
            rate.verdict = text;
        } else {
            rate.verdict = "MISSED: the collector did not write every entry";
        }
        c.table->Add(rate);
    }
    Row lost{"log write, 10,000 x 100 B", "entries read back from the log files", Result(), "", "no entry lost", ""};
    if (checkedRuns)
        lost.verdict = losses.empty() ? "met: all " + std::to_string(kEntries) + " in each of " +
                                            std::to_string(checkedRuns) + " runs"
                                      : "MISSED: " + losses;
    c.table->Add(lost);
}

// A policy of root as Group Policy writes it (the native view): "Max
// LogText", and a property in its Session Props.
void SetPolicy(HKEY root) {
    HKEY key = nullptr;
    THROW_IF_WIN32_ERROR(RegCreateKeyExA(root, kPolicyPropsKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                                         &key, nullptr));
    LONG r = RegSetValueExA(key, "Bench", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
    THROW_IF_WIN32_ERROR(r);
    DWORD maxText = 32768;
    THROW_IF_WIN32_ERROR(RegCreateKeyExA(root, kPolicyKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                                         &key, nullptr));
    r = RegSetValueExA(key, "Max LogText", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&maxText), sizeof maxText);
    RegCloseKey(key);
    THROW_IF_WIN32_ERROR(r);
}

// 200 entries in steady state (after 50 that open the file and read the
// settings) between two named events, which a trace of the server's
// requests shows as create_event with these names: tools/log-requests.sh
// counts what lies between them. Both roots' policy keys are there, as on
// a terminal that Group Policy reaches.
static void LogRequests(const Context& c, bool spooled) {
    if (!c.plugin) throw KLAppException(c.pluginWhy.c_str());
    SavedKey settings(HKEY_CURRENT_USER, kPluginKey), userPolicy(HKEY_CURRENT_USER, kPolicyKey, KEY_WOW64_64KEY),
        machinePolicy(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY);
    SetPolicy(HKEY_CURRENT_USER);
    SetPolicy(HKEY_LOCAL_MACHINE);
    std::string file = *c.scratch + "log-requests.txt";
    SetLogPath(file);
    const char* delivery = spooled ? "spooled" : "direct";
    SetSetting("Log Delivery", REG_SZ, delivery, DWORD(strlen(delivery) + 1));
    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.LogWrite");
    std::wstring text = Wide(EntryText(0));
    auto write = [&](int entries) {
        for (int i = 0; i < entries; ++i) {
            session->Set(L"aRvik.LogText", text.c_str());
            CheckResult(c.plugin->Command(session.get(), name), "aRvik.LogWrite");
        }
    };
    write(50);
    // Spooled: the delivery thread has started and caught up.
    for (int waited = 0; spooled && waited < 30000 && CountEntries(file).lines < 50; waited += 20) Sleep(20);
    HANDLE begin = CreateEventA(nullptr, TRUE, FALSE, "aRvik.requests.begin");
    write(kRequestEntries);
    HANDLE end = CreateEventA(nullptr, TRUE, FALSE, "aRvik.requests.end");
    CloseHandle(begin);
    CloseHandle(end);
    SetLogPath("");
    write(1);  // the log lets go of its file
    DeleteFileA(file.c_str());
    fprintf(stderr, "log requests: %d entries marked\n", kRequestEntries);
}

void LogRequestsCase(const Context& c) { LogRequests(c, false); }

// The same in spooled delivery: the script's thread alone is counted, the
// delivery thread's requests are its own.
void LogRequestsSpooledCase(const Context& c) { LogRequests(c, true); }
