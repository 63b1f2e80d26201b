// aRvik.RegRead, aRvik.RegWrite, aRvik.RegDelete and aRvik.RegList, under
// HKCU\Software\aRvikTestRegistry (and HKLM\Software\aRvikTestRegistry for the views),
// removed before and after each test.
#include <algorithm>
#include <string>
#include <vector>

#include "Commands/CommandsTest.h"

namespace {

const wchar_t kTestKey[] = L"Software\\aRvikTestRegistry";
const char kKey[] = "HKCU\\Software\\aRvikTestRegistry";

// Whether the 32-bit and the 64-bit views are two registries here: only for
// a 32-bit program in a 64-bit system (WoW64). In a 32-bit system (a 32-bit
// Wine prefix) both flags are ignored and name the one registry.
// Whether the system keeps two views: a 64-bit process, or a 32-bit one
// under WoW64.
bool TwoViews() {
    if (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

struct RegistryTest : CommandTest {
    RegistryTest() { Remove(); }
    ~RegistryTest() override { Remove(); }
    static void Remove() {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)})
            for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
                HKEY key;
                if (RegOpenKeyExW(root, L"Software", 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) continue;
                RegDeleteTreeW(key, L"aRvikTestRegistry");
                RegCloseKey(key);
            }
    }
    void Args(const std::string& key, const std::string& value, const std::string& view = "") {
        Set(L"aRvik.RegKey", key);
        Set(L"aRvik.RegValue", value);
        Set(L"aRvik.RegView", view);
    }
    void Runs(const wchar_t* command) {
        Record record;
        ASSERT_EQ(S_OK, Command(command, &record))
            << Narrow(command) << ": " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
    }
    // command must fail with reason, every argument as it was.
    void Fails(const wchar_t* command, const std::string& reason) {
        const wchar_t* names[] = {L"aRvik.RegKey", L"aRvik.RegValue", L"aRvik.RegView", L"aRvik.RegType",
                                  L"aRvik.Value", L"aRvik.Result"};
        std::wstring before[6];
        for (int i = 0; i < 6; ++i) before[i] = session->Value(names[i]);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record)) << reason;
        EXPECT_EQ(59999, record.wCode);
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (int i = 0; i < 6; ++i) EXPECT_EQ(before[i], std::wstring(session->Value(names[i]))) << Narrow(names[i]);
    }
    void Write(const std::string& value, const std::string& type, const std::wstring& data) {
        Set(L"aRvik.RegValue", value);
        Set(L"aRvik.RegType", type);
        session->Set(L"aRvik.Value", data.c_str());
        Runs(L"aRvik.RegWrite");
        // Value is cleared; RegType when given; the names stay.
        EXPECT_EQ(L"", std::wstring(session->Value(L"aRvik.Value")));
        EXPECT_EQ("", Get(L"aRvik.RegType"));
        EXPECT_EQ(value, Get(L"aRvik.RegValue"));
    }
    std::wstring Read(const std::string& value) {
        Set(L"aRvik.RegValue", value);
        Runs(L"aRvik.RegRead");
        return session->Value(L"aRvik.Value");
    }
    // The type and data the system holds.
    static DWORD Stored(HKEY root, const wchar_t* value, REGSAM view, std::vector<BYTE>& data) {
        DWORD type = 0, size = 0;
        HKEY key;
        if (RegOpenKeyExW(root, kTestKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return ~0u;
        RegQueryValueExW(key, value, nullptr, &type, nullptr, &size);
        data.resize(size);
        RegQueryValueExW(key, value, nullptr, &type, data.data(), &size);
        RegCloseKey(key);
        return type;
    }
};

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

}  // namespace

TEST_F(RegistryTest, EveryTypeGoesThereAndBackInEveryView) {
    const struct {
        const char* type;
        const wchar_t* given;
        const wchar_t* read;
        const char* kind;
        DWORD stored;
        std::vector<BYTE> data;
    } cases[] = {
        {"", L"Привет, мир", L"Привет, мир", "REG_SZ", REG_SZ, Bytes(L"Привет, мир", 24)},
        {"reg_sz", L"", L"", "REG_SZ", REG_SZ, Bytes(L"", 2)},
        {"REG_EXPAND_SZ", L"%SystemRoot%\\x", L"%SystemRoot%\\x", "REG_EXPAND_SZ", REG_EXPAND_SZ,
         Bytes(L"%SystemRoot%\\x", 30)},
        {"REG_DWORD", L"0xFFFFFFFF", L"4294967295", "REG_DWORD", REG_DWORD, Bytes("\xFF\xFF\xFF\xFF", 4)},
        {"REG_DWORD", L"258", L"258", "REG_DWORD", REG_DWORD, Bytes("\x02\x01\0\0", 4)},
        {"REG_QWORD", L"18446744073709551615", L"18446744073709551615", "REG_QWORD", REG_QWORD,
         Bytes("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8)},
        {"REG_QWORD", L"0x0102030405060708", L"72623859790382856", "REG_QWORD", REG_QWORD,
         Bytes("\x08\x07\x06\x05\x04\x03\x02\x01", 8)},
        {"REG_MULTI_SZ", L"a\r\nбв\n\nc\n", L"a\r\nбв\r\nc", "REG_MULTI_SZ", REG_MULTI_SZ,
         Bytes(L"a\0бв\0c\0", 16)},
        {"REG_MULTI_SZ", L"", L"", "REG_MULTI_SZ", REG_MULTI_SZ, Bytes(L"\0", 4)},
        {"REG_BINARY", L"01 0a\tFF00", L"01 0A FF 00", "REG_BINARY", REG_BINARY, Bytes("\x01\x0A\xFF\x00", 4)},
        {"REG_BINARY", L"", L"", "REG_BINARY", REG_BINARY, {}},
    };
    for (const char* view : {"", "32", "64"}) {
        REGSAM sam = *view == '3' ? KEY_WOW64_32KEY : *view == '6' ? KEY_WOW64_64KEY : 0;
        for (const auto& c : cases) {
            Remove();
            Args(kKey, "Значение", view);
            Write("Значение", c.type, c.given);
            EXPECT_EQ("", Get(L"aRvik.RegView")) << "RegView is cleared when given";
            Set(L"aRvik.RegView", view);
            EXPECT_EQ(c.read, Read("Значение")) << c.type << " " << view;
            EXPECT_EQ(c.kind, Get(L"aRvik.Result"));
            std::vector<BYTE> data;
            EXPECT_EQ(c.stored, Stored(HKEY_CURRENT_USER, L"Значение", sam, data));
            EXPECT_EQ(c.data, data) << c.type;
        }
    }
    // The default value, by the long name of the root in any case.
    Args("hkey_current_user\\SOFTWARE\\aRvikTestRegistry\\", "");
    Write("", "", L"по умолчанию");
    EXPECT_EQ(L"по умолчанию", Read(""));
}

TEST_F(RegistryTest, TheViewsAreTheSystemsOwn) {
    // HKLM\Software is redirected for 32-bit programs in a 64-bit system
    // (Wow6432Node); HKCU\Software is one key in both views.
    Args("HKLM\\Software\\aRvikTestRegistry", "v", "32");
    Write("v", "REG_DWORD", L"32");
    Set(L"aRvik.RegView", "64");
    Set(L"aRvik.RegValue", "v");
    if (TwoViews()) {
        Fails(L"aRvik.RegRead", "Не удалось прочитать значение реестра (раздел не найден): "
                                "aRvik.RegKey=HKLM\\Software\\aRvikTestRegistry");
        Write("v", "REG_DWORD", L"64");
        Set(L"aRvik.RegView", "32");
        EXPECT_EQ(L"32", Read("v"));
        Set(L"aRvik.RegView", "64");
        EXPECT_EQ(L"64", Read("v"));
        // The process's own view: the 32-bit one for a 32-bit process.
        Set(L"aRvik.RegView", "");
        EXPECT_EQ(sizeof(void*) == 8 ? L"64" : L"32", Read("v"));
    } else {
        // One registry: both flags are ignored.
        EXPECT_EQ(L"32", Read("v"));
    }
    Args(kKey, "v", "32");
    Write("v", "REG_SZ", L"один");
    Set(L"aRvik.RegView", "64");
    EXPECT_EQ(L"один", Read("v"));
}

TEST_F(RegistryTest, ListGivesSubkeysThenValuesEachSortedAsFileList) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    std::vector<std::wstring> subkeys = {L"beta", L"Alpha", L"гамма", L"Бета", L"a10", L"a9", L"_x"};
    std::vector<std::wstring> values = {L"Zeta", L"eta", L"ёж", L"Ель", L"10", L"9"};
    for (const auto& name : subkeys) {
        HKEY sub;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                                                 nullptr));
        RegCloseKey(sub);
    }
    for (const auto& name : values) RegSetValueExW(key, name.c_str(), 0, REG_SZ, (const BYTE*)L"", 2);
    RegSetValueExW(key, nullptr, 0, REG_SZ, (const BYTE*)L"default", 16);
    RegCloseKey(key);
    // The order the settings page and FileList give: lstrcmpiW's.
    auto order = [](const std::wstring& a, const std::wstring& b) {
        int c = lstrcmpiW(a.c_str(), b.c_str());
        return c != 0 ? c < 0 : a < b;
    };
    std::sort(subkeys.begin(), subkeys.end(), order);
    std::sort(values.begin(), values.end(), order);
    std::wstring expected;
    for (const auto& name : subkeys) expected += (expected.empty() ? L"" : L"\r\n") + name + L"\\";
    for (const auto& name : values) expected += L"\r\n" + name;
    Args(kKey, "");
    Runs(L"aRvik.RegList");
    EXPECT_EQ(expected, std::wstring(session->Value(L"aRvik.Value")));
    EXPECT_EQ("13", Get(L"aRvik.Result"));
    // Plain letters, fixed: case ignored.
    EXPECT_EQ(0u, expected.find(L"_x\\\r\na10\\\r\na9\\\r\nAlpha\\\r\nbeta\\\r\n"));
    // An empty key: nothing.
    Args(std::string(kKey) + "\\a9", "");
    Runs(L"aRvik.RegList");
    EXPECT_EQ("", Get(L"aRvik.Value"));
    EXPECT_EQ("0", Get(L"aRvik.Result"));
}

TEST_F(RegistryTest, DeleteTakesAValueOrAKeyWithoutSubkeys) {
    Args(std::string(kKey) + "\\sub\\leaf", "a");
    Write("a", "", L"1");
    Write("b", "", L"2");
    Set(L"aRvik.RegValue", "a");
    Runs(L"aRvik.RegDelete");
    std::vector<BYTE> data;
    Set(L"aRvik.RegValue", "a");
    Fails(L"aRvik.RegDelete", "Не удалось удалить значение реестра (значение не найдено): "
                              "aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry\\sub\\leaf, aRvik.RegValue=a");
    Fails(L"aRvik.RegRead", "Не удалось прочитать значение реестра (значение не найдено): "
                            "aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry\\sub\\leaf, aRvik.RegValue=a");
    EXPECT_EQ(L"2", Read("b"));
    // A key with a subkey stays.
    Args(std::string(kKey) + "\\sub", "");
    Fails(L"aRvik.RegDelete", "Не удалось удалить раздел реестра (есть подразделы): "
                              "aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry\\sub");
    Args(std::string(kKey) + "\\sub\\leaf", "");
    Runs(L"aRvik.RegDelete");
    HKEY key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\aRvikTestRegistry\\sub\\leaf", 0,
                                                  KEY_READ, &key));
    Fails(L"aRvik.RegDelete", "Не удалось удалить раздел реестра (раздел не найден): "
                              "aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry\\sub\\leaf");
    Args(std::string(kKey) + "\\sub", "");
    Runs(L"aRvik.RegDelete");
    Args("HKCU", "");
    Fails(L"aRvik.RegDelete", "Не удалось удалить раздел реестра (корневой раздел): aRvik.RegKey=HKCU");
    Args("HKEY_CURRENT_USER\\", "");
    Fails(L"aRvik.RegDelete",
          "Не удалось удалить раздел реестра (корневой раздел): aRvik.RegKey=HKEY_CURRENT_USER\\");
}

TEST_F(RegistryTest, RefusalsNameTheArgumentAndWriteNothing) {
    const struct {
        const wchar_t* command;
        const char* key;
        const char* view;
        const char* type;
        const wchar_t* value;
        std::string reason;
    } cases[] = {
        {L"aRvik.RegRead", "", "", "", L"", "Не указан раздел реестра: aRvik.RegKey="},
        {L"aRvik.RegWrite", "HKXX\\Software\\aRvikTestRegistry", "", "", L"1",
         "Неизвестный корневой раздел реестра: aRvik.RegKey=HKXX\\Software\\aRvikTestRegistry"},
        {L"aRvik.RegList", "Software\\aRvikTestRegistry", "", "", L"",
         "Неизвестный корневой раздел реестра: aRvik.RegKey=Software\\aRvikTestRegistry"},
        {L"aRvik.RegDelete", "HKCUX\\a\r\n", "", "", L"", "Неизвестный корневой раздел реестра: aRvik.RegKey=HKCUX\\a??"},
        {L"aRvik.RegWrite", kKey, "16", "", L"1", "Неверное представление реестра: aRvik.RegView=16"},
        {L"aRvik.RegRead", kKey, "64 ", "", L"", "Неверное представление реестра: aRvik.RegView=64 "},
        {L"aRvik.RegWrite", kKey, "", "REG_FOO", L"1", "Неизвестный тип значения реестра: aRvik.RegType=REG_FOO"},
        {L"aRvik.RegWrite", kKey, "", "REG_NONE", L"1", "Неизвестный тип значения реестра: aRvik.RegType=REG_NONE"},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"12a", "Значение не подходит к типу REG_DWORD: aRvik.Value=12a"},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"4294967296",
         "Значение не подходит к типу REG_DWORD: aRvik.Value=4294967296"},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"0x100000000",
         "Значение не подходит к типу REG_DWORD: aRvik.Value=0x100000000"},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"-1", "Значение не подходит к типу REG_DWORD: aRvik.Value=-1"},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"", "Значение не подходит к типу REG_DWORD: aRvik.Value="},
        {L"aRvik.RegWrite", kKey, "", "REG_DWORD", L"0x", "Значение не подходит к типу REG_DWORD: aRvik.Value=0x"},
        {L"aRvik.RegWrite", kKey, "", "REG_QWORD", L"18446744073709551616",
         "Значение не подходит к типу REG_QWORD: aRvik.Value=18446744073709551616"},
        {L"aRvik.RegWrite", kKey, "", "REG_QWORD", L" 1", "Значение не подходит к типу REG_QWORD: aRvik.Value= 1"},
        {L"aRvik.RegWrite", kKey, "", "REG_BINARY", L"ABC", "Значение не подходит к типу REG_BINARY: aRvik.Value=ABC"},
        {L"aRvik.RegWrite", kKey, "", "REG_BINARY", L"0 1", "Значение не подходит к типу REG_BINARY: aRvik.Value=0 1"},
        {L"aRvik.RegWrite", kKey, "", "REG_BINARY", L"0g", "Значение не подходит к типу REG_BINARY: aRvik.Value=0g"},
        {L"aRvik.RegRead", kKey, "", "", L"",
         "Не удалось прочитать значение реестра (раздел не найден): aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry"},
        {L"aRvik.RegList", kKey, "", "", L"",
         "Не удалось прочитать раздел реестра (раздел не найден): aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry"},
        {L"aRvik.RegDelete", kKey, "", "", L"",
         "Не удалось удалить значение реестра (раздел не найден): aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry"},
    };
    for (const auto& c : cases) {
        Args(c.key, "Имя", c.view);
        Set(L"aRvik.RegType", c.type);
        session->Set(L"aRvik.Value", c.value);
        Set(L"aRvik.Result", "kind");
        Fails(c.command, c.reason);
        HKEY key;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key)) << c.reason;
    }
    // A value missing from a key that is there.
    Args(kKey, "");
    Write("", "", L"x");
    Args(kKey, "нет");
    Fails(L"aRvik.RegRead", "Не удалось прочитать значение реестра (значение не найдено): "
                            "aRvik.RegKey=HKCU\\Software\\aRvikTestRegistry, aRvik.RegValue=нет");
}

TEST_F(RegistryTest, ReadGivesLongValuesWholeAndOtherTypesAsBytes) {
    // Past the first room the command reads into.
    std::wstring longText(5000, L'Ж');
    Args(kKey, "long");
    Write("long", "REG_SZ", longText);
    EXPECT_EQ(longText, Read("long"));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_SET_VALUE, &key));
    RegSetValueExW(key, L"none", 0, REG_NONE, (const BYTE*)"\x01\xAB", 2);
    RegSetValueExW(key, L"big-endian", 0, REG_DWORD_BIG_ENDIAN, (const BYTE*)"\0\0\x01\x02", 4);
    // Without its closing zero, and a DWORD of another size.
    RegSetValueExW(key, L"bare", 0, REG_SZ, (const BYTE*)L"abc", 6);
    RegSetValueExW(key, L"short", 0, REG_DWORD, (const BYTE*)"\x01\x02", 2);
    RegCloseKey(key);
    EXPECT_EQ(L"01 AB", Read("none"));
    EXPECT_EQ("REG_NONE", Get(L"aRvik.Result"));
    EXPECT_EQ(L"00 00 01 02", Read("big-endian"));
    EXPECT_EQ("REG_DWORD_BIG_ENDIAN", Get(L"aRvik.Result"));
    EXPECT_EQ(L"abc", Read("bare"));
    EXPECT_EQ("REG_SZ", Get(L"aRvik.Result"));
    EXPECT_EQ(L"01 02", Read("short"));
    EXPECT_EQ("REG_DWORD", Get(L"aRvik.Result"));
}
