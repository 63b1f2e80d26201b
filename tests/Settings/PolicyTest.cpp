#include "Settings/PolicyTest.h"

PolicyTest::PolicyTest() {
    RegDeleteTreeA(HKEY_CURRENT_USER, PLUGIN_KEY);
    RemovePolicies(HKEY_CURRENT_USER);
    RemovePolicies(HKEY_LOCAL_MACHINE);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, DEFAULTS_KEY);
}

REGSAM PolicyTest::View(const std::wstring& key) {
    const std::wstring policies = L"" POLICIES_KEY;
    return key.compare(0, policies.size(), policies) == 0 ? KEY_WOW64_64KEY : 0;
}

void PolicyTest::RemovePolicies(HKEY root) { RemoveKey(root, POLICY_KEY, KEY_WOW64_64KEY); }

static void PutBytes(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                     DWORD size) {
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | PolicyTest::View(key),
                                             nullptr, &opened, nullptr));
    LONG error = RegSetValueExW(opened, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(opened);
    ASSERT_EQ(ERROR_SUCCESS, error);
}

void PolicyTest::Put(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text,
                     DWORD type) {
    PutBytes(root, key, name, type, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}

void PolicyTest::Put(HKEY root, const std::wstring& key, const std::wstring& name, DWORD number) {
    PutBytes(root, key, name, REG_DWORD, &number, sizeof number);
}

std::string PolicyTest::Stored(HKEY root, const char* key, const char* name) {
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = REG_NONE;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE | View(Wide(key)), &opened) != ERROR_SUCCESS) return "-";
    LONG error = RegGetValueA(opened, nullptr, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
    RegCloseKey(opened);
    if (error != ERROR_SUCCESS) return "-";
    if (type == REG_SZ) return std::string("SZ:") + data;
    if (type == REG_DWORD) return "DWORD:" + std::to_string(*reinterpret_cast<DWORD*>(data));
    return "TYPE" + std::to_string(type);
}

void PolicyTest::Log(const std::string& text) {
    Set(L"aRvik.LogText", text);
    Record record;
    EXPECT_EQ(S_OK, Command(L"aRvik.LogWrite", &record)) << Narrow(record.bstrDescription);
}

void PolicyTest::StartSession() {
    session = co<HostSession>(new HostSession);
    ASSERT_EQ(S_OK, Call(extender.get(), L"SessionStarted", {ObjectArg(session.get())}));
}

std::vector<std::string> LogEntries(const std::string& file) { return Entries(ReadWhole(file, "")); }

std::string Eventually(const std::string& expected, const std::function<std::string()>& outcome) {
    const DWORD start = GetTickCount();
    for (;;) {
        std::string last = outcome();
        if (last == expected || GetTickCount() - start > 5000) return last;
        Sleep(10);
    }
}
