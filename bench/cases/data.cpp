// aRvik.JsonGet of one field at the end of a document of 1 MiB, against
// RapidJSON called directly (the session's text to UTF-8, parsed into a
// document, the member found and made a BSTR), and aRvik.RegRead of a
// text value, against RegGetValueW and a BSTR of its text. The
// arguments stay between runs (JsonText, RegKey and RegValue stay; the
// path is set again, untimed); each result is checked.
#include "Cases.h"

#include <oleauto.h>
#include <stdio.h>

#include <string>

#include <HostSession.h>
#include <checks.h>
#include <exceptions.h>

#include <rapidjson/document.h>

#include "../Text.h"

namespace {

void Expect(bool good, const std::string& what) {
    if (!good) throw KLAppException(what.c_str());
}

// Items until the text has 1 MiB, then the field looked for.
std::wstring Document() {
    std::wstring text = L"{\"items\": [";
    wchar_t item[128];
    for (int i = 0; text.size() < (1 << 20); ++i)
        text += std::wstring(i ? L", " : L"") +
                (swprintf(item, 128, L"{\"id\": %d, \"name\": \"Имя %d\", \"tags\": [\"a\", \"b\"], \"n\": -0.50}",
                          i, i),
                 item);
    return text + L"], \"target\": {\"name\": \"Жук\"}}";
}

// What aRvik.JsonGet does, by the parser directly: the member's text.
BSTR JsonDirect(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, nullptr, nullptr);
    rapidjson::Document document;
    document.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag>(utf8.c_str());
    Expect(!document.HasParseError() && document.IsObject(), "RapidJSON could not parse the document");
    const rapidjson::Value& name = document["target"]["name"];
    int n = MultiByteToWideChar(CP_UTF8, 0, name.GetString(), int(name.GetStringLength()), nullptr, 0);
    BSTR out = SysAllocStringLen(nullptr, n);
    MultiByteToWideChar(CP_UTF8, 0, name.GetString(), int(name.GetStringLength()), out, n);
    return out;
}

const wchar_t kBenchKey[] = L"Software\\aRvikBenchRegistry";

}  // namespace

void DataCase(const Context& c) {
    co<HostSession> session(new HostSession);
    std::wstring document = Document();
    session->Set(L"aRvik.JsonText", document.c_str());
    Bstr jsonGet(L"aRvik.JsonGet");
    std::vector<Result> json = Measure(Budget(c, 4.0, 9, 51), {PluginVariant(c, 1, [&] {
        session->Set(L"aRvik.JsonPath", L"target.name");
        Stopwatch watch;
        CheckResult(c.plugin->Command(session.get(), jsonGet), "aRvik.JsonGet");
        double seconds = watch.Seconds();
        Expect(wcscmp(session->Value(L"aRvik.Value"), L"Жук") == 0, "aRvik.JsonGet gave another value");
        return seconds;
    }), Variant{1, [&] {
        Stopwatch watch;
        BSTR value = JsonDirect(session->Value(L"aRvik.JsonText"));
        double seconds = watch.Seconds();
        bool right = wcscmp(value, L"Жук") == 0;
        SysFreeString(value);
        Expect(right, "RapidJSON gave another value");
        return seconds;
    }, ""}});
    std::string ratio = Ratio(json[0], json[1]);
    c.table->Add({"JSON, 1 MiB", "aRvik.JsonGet", json[0], "", "", ""});
    c.table->Add({"JSON, 1 MiB", "direct: UTF-8, RapidJSON Document::Parse, the member", json[1], ratio,
                  "ratio <= 1.1", ratio.empty() ? "" : Verdict(json[0].median <= 1.1 * json[1].median)});
    session->Set(L"aRvik.JsonText", L"");

    HKEY key;
    THROW_IF_WIN32_ERROR(
        RegCreateKeyExW(HKEY_CURRENT_USER, kBenchKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr));
    static const wchar_t text[] = L"Значение для чтения";
    RegSetValueExW(key, L"v", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    RegCloseKey(key);
    session->Set(L"aRvik.RegKey", L"HKCU\\Software\\aRvikBenchRegistry");
    session->Set(L"aRvik.RegValue", L"v");
    Bstr regRead(L"aRvik.RegRead");
    const int batch = 20;
    std::vector<Result> reg = Measure(Budget(c, 3.0, 9, 51), {PluginVariant(c, batch, [&] {
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) CheckResult(c.plugin->Command(session.get(), regRead), "aRvik.RegRead");
        double seconds = watch.Seconds();
        Expect(wcscmp(session->Value(L"aRvik.Value"), text) == 0, "aRvik.RegRead gave another value");
        return seconds;
    }), Variant{batch, [&] {
        bool right = true;
        Stopwatch watch;
        for (int i = 0; i < batch; ++i) {
            wchar_t data[256];
            DWORD type = 0, size = sizeof data;
            THROW_IF_WIN32_ERROR(RegGetValueW(HKEY_CURRENT_USER, kBenchKey, L"v", RRF_RT_ANY, &type, data, &size));
            BSTR value = SysAllocStringLen(data, size / sizeof(wchar_t) - 1);
            right = right && wcscmp(value, text) == 0;
            SysFreeString(value);
        }
        double seconds = watch.Seconds();
        Expect(right, "RegGetValueW gave another value");
        return seconds;
    }, ""}});
    ratio = Ratio(reg[0], reg[1]);
    c.table->Add({"registry read", "aRvik.RegRead", reg[0], "", "", ""});
    c.table->Add({"registry read", "direct: RegGetValueW + BSTR", reg[1], ratio, "ratio <= 1.1",
                  ratio.empty() ? "" : Verdict(reg[0].median <= 1.1 * reg[1].median)});
    RegDeleteTreeW(HKEY_CURRENT_USER, kBenchKey);
    session->Set(L"aRvik.RegKey", L"");
    session->Set(L"aRvik.RegValue", L"");
}
