// session props: the copy of the Session Props into a fresh session with 10,
// 1,000 and 10,000 values (one in ten a REG_DWORD, the rest REG_SZ):
// operation 8 (SessionStarted) through Invoke, against enumerating the key
// directly with RegEnumValueA (name and type) and RegQueryValueExA (the
// data) and setting each value into a fresh session through its interface,
// as wide strings, the same way. Making and dropping the session are not
// timed; afterwards the session must hold every value. The per-value time
// should stay flat as the key grows. The key's own values are put back
// afterwards.
#include "Cases.h"

#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include "../Text.h"
#include "common/SavedKey.h"

namespace {

const char* const kPropsKey = "Software\\Kelmir\\Tallivant\\Plugins\\aRvik\\Session Props";

void Fill(int count) {
    HKEY key = nullptr;
    THROW_IF_WIN32_ERROR(RegCreateKeyExA(HKEY_CURRENT_USER, kPropsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                         nullptr));
    for (int i = 0; i < count; ++i) {
        char name[32], text[48];
        snprintf(name, sizeof name, "Bench.Prop%05d", i);
        LONG r;
        if (i % 10 == 9) {
            DWORD number = DWORD(i) * 1000u;
            r = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        } else {
            snprintf(text, sizeof text, "value of property %05d", i);
            r = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
        }
        if (r != ERROR_SUCCESS) {
            RegCloseKey(key);
            THROW_IF_WIN32_ERROR(r);
        }
    }
    RegCloseKey(key);
}

void SetInto(ITallivantSessionSite* session, const char* name, DWORD nameLength, const char* value) {
    Bstr wideName(Wide(std::string(name, nameLength))), wideValue(Wide(value));
    session->SetValue(wideName, wideValue);
}

// The direct copy: every REG_SZ and REG_DWORD value into the session.
void CopyDirect(ITallivantSessionSite* session) {
    HKEY key = nullptr;
    THROW_IF_WIN32_ERROR(RegOpenKeyExA(HKEY_CURRENT_USER, kPropsKey, 0, KEY_READ, &key));
    std::vector<char> name(32767);
    std::vector<BYTE> data(4096);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = DWORD(name.size()), type = REG_NONE;
        LONG r = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS) {
            RegCloseKey(key);
            THROW_IF_WIN32_ERROR(r);
        }
        if (!nameLength || (type != REG_SZ && type != REG_DWORD)) continue;
        DWORD size = DWORD(data.size() - 1);
        r = RegQueryValueExA(key, name.data(), nullptr, &type, data.data(), &size);
        if (r == ERROR_MORE_DATA) {
            data.resize(size + 1);
            size = DWORD(data.size() - 1);
            r = RegQueryValueExA(key, name.data(), nullptr, &type, data.data(), &size);
        }
        if (r != ERROR_SUCCESS) continue;
        if (type == REG_SZ) {
            data[size] = 0;
            SetInto(session, name.data(), nameLength, reinterpret_cast<const char*>(data.data()));
        } else if (type == REG_DWORD && size == sizeof(DWORD)) {
            char digits[16];
            SetInto(session, name.data(), nameLength, _ultoa(*reinterpret_cast<DWORD*>(data.data()), digits, 10));
        }
    }
    RegCloseKey(key);
}

// 10000 as "10,000".
std::string Count(int n) {
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(size_t(at), ",");
    return digits;
}

void CheckCopied(HostSession* session, int count) {
    if (session->Count() != size_t(count))
        throw KLAppException(string("the session holds ") + std::to_string(session->Count()).c_str() +
                             " values, not " + std::to_string(count).c_str());
    if (std::wstring(session->Value(L"Bench.Prop00000")) != L"value of property 00000")
        throw KLAppException("Bench.Prop00000 did not arrive");
    if (count >= 10 && std::wstring(session->Value(L"Bench.Prop00009")) != L"9000")
        throw KLAppException("Bench.Prop00009 did not arrive as 9000");
}

}  // namespace

void SessionPropsCase(const Context& c) {
    SavedKey saved(HKEY_CURRENT_USER, kPropsKey);
    saved.Clear();
    const char* group = "props copy, per value";
    struct Size {
        int count;
        Plan plan;
        Result plugin, direct;
    } sizes[] = {{10, Budget(c, 1.0, 21, 201), {}, {}},
                 {1000, Budget(c, 3.0, 9, 31), {}, {}},
                 {10000, Budget(c, 6.0, 5, 15, 1), {}, {}}};
    for (Size& size : sizes) {
        try {
            saved.Clear();
            Fill(size.count);
        } catch (const KelmirException& e) {
            size.plugin = size.direct = NotRun(e.Reason());
            continue;
        }
        std::vector<Result> results = Measure(size.plan, {PluginVariant(c, size.count, [&] {
            co<HostSession> session(new HostSession);
            Stopwatch watch;
            CheckResult(c.plugin->SessionStarted(session.get()), "SessionStarted");
            double seconds = watch.Seconds();
            CheckCopied(session.get(), size.count);
            return seconds;
        }), Variant{size.count, [&] {
            co<HostSession> session(new HostSession);
            Stopwatch watch;
            CopyDirect(session.get());
            double seconds = watch.Seconds();
            CheckCopied(session.get(), size.count);
            return seconds;
        }, ""}});
        size.plugin = results[0];
        size.direct = results[1];
    }
    for (const Size& size : sizes) {
        std::string values = Count(size.count) + " values";
        std::string ratio = Ratio(size.plugin, size.direct);
        c.table->Add({group, "aRvik: SessionStarted, " + values, size.plugin, "", "", ""});
        c.table->Add({group, "direct: RegEnumValueA/RegQueryValueExA, " + values, size.direct, ratio,
                      "ratio <= 1.2", ratio.empty() ? "" : Verdict(size.plugin.median <= 1.2 * size.direct.median)});
    }
    // Linear growth: the time per value at the larger size within 1.5 times
    // that at the smaller.
    for (int i = 0; i + 1 < 3; ++i) {
        const Result &small = sizes[i].plugin, &large = sizes[i + 1].plugin;
        Row row{group, "aRvik: growth per value, " + Count(sizes[i].count) + " -> " + Count(sizes[i + 1].count),
                Result(), "", "linear: growth <= 1.5", ""};
        if (small.ok && large.ok) {
            double growth = large.median / small.median;
            row.verdict = std::string(Verdict(growth <= 1.5)) + ": x" + Fixed(growth, 2);
        }
        c.table->Add(row);
    }
}
