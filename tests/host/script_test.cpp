// The stand-in host's script statements that write the plug-in's settings,
// and the value forms of its script language, run through ScriptRunner with
// no plug-in started. Values are read back with the wide registry calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "ScriptRunner.h"
#include "common/SavedKey.h"
#include "common/Scratch.h"

namespace {

const wchar_t* const kSettings = L"Software\\Kelmir\\Tallivant\\Plugins\\aRvik";
const wchar_t* const kProps = L"Software\\Kelmir\\Tallivant\\Plugins\\aRvik\\Session Props";

// "SZ:text", "DWORD:number", or "" for a value that is not there.
std::wstring Stored(const wchar_t* key, const wchar_t* name) {
    wchar_t text[256] = {};
    DWORD number = 0, type = REG_NONE, size = sizeof text - sizeof text[0];
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, text, &size) !=
        ERROR_SUCCESS)
        return L"";
    if (type != REG_DWORD) return L"SZ:" + std::wstring(text);
    memcpy(&number, text, sizeof number);
    return L"DWORD:" + std::to_wstring(number);
}

// A script file in a scratch folder; the plug-in's key (the settings and
// the Session Props below them) is put back as it was afterwards.
struct Script : ::testing::Test {
    SavedKey saved{HKEY_CURRENT_USER, "Software\\Kelmir\\Tallivant\\Plugins\\aRvik"};
    Scratch scratch{"arvik_script_test"};
    std::string path = scratch + "script.tvs";

    Script() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Script() override { CoUninitialize(); }
    // The failed steps of the script, UTF-8 text (u8 literals: narrow ones
    // are compiled to Windows-1251).
    int Run(const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        co<HostObject> host(new HostObject);
        ScriptRunner runner(host.get());
        return runner.Run(path);
    }
};

}  // namespace

TEST_F(Script, SettingStoresABareNumberAsDwordAndAnyOtherValueAsText) {
    ASSERT_EQ(0, Run(u8"setting \"ScriptTest Number\" = 100\n"
                     u8"setting \"ScriptTest Text\" = \"  Привет, \"\"мир\"\"  \"\n"));
    EXPECT_EQ(L"DWORD:100", Stored(kSettings, L"ScriptTest Number"));
    EXPECT_EQ(L"SZ:  Привет, \"мир\"  ", Stored(kSettings, L"ScriptTest Text"));

    ASSERT_EQ(0, Run(u8"setting \"ScriptTest Number\" = \"7\"\n"
                     u8"setting \"ScriptTest Text\" = C:\\Журнал\\*.txt\n"));
    EXPECT_EQ(L"SZ:7", Stored(kSettings, L"ScriptTest Number"));
    EXPECT_EQ(L"SZ:C:\\Журнал\\*.txt", Stored(kSettings, L"ScriptTest Text"));

    EXPECT_EQ(1, Run(u8"setting \"ScriptTest Number\" = 4294967296\n"));
    EXPECT_EQ(L"SZ:7", Stored(kSettings, L"ScriptTest Number"));
}

TEST_F(Script, NothingAfterTheEqualSignRemovesAndQuotesKeepAnEmptyText) {
    ASSERT_EQ(0, Run(u8"prop ScriptTest Prop =   Значение  \n"));
    EXPECT_EQ(L"SZ:Значение", Stored(kProps, L"ScriptTest Prop"));
    ASSERT_EQ(0, Run(u8"prop ScriptTest Prop =\n"
                     u8"setting \"ScriptTest Text\" = \"\"\n"));
    EXPECT_EQ(L"", Stored(kProps, L"ScriptTest Prop"));
    EXPECT_EQ(L"SZ:", Stored(kSettings, L"ScriptTest Text"));
    ASSERT_EQ(0, Run(u8"setting \"ScriptTest Text\" =\n"
                     u8"setting \"ScriptTest Text\" =\n"));
    EXPECT_EQ(L"", Stored(kSettings, L"ScriptTest Text"));
}

TEST_F(Script, QuotedValuesKeepTheirBlanksAndAPropertyNeverSetFailsTheStep) {
    ASSERT_EQ(0, Run(u8"set A = \"  a  \"\n"
                     u8"set Empty =\n"
                     u8"expect A = \"  a  \"\n"
                     u8"setting \"ScriptTest Text\" = [${A}${Empty}]\n"));
    EXPECT_EQ(L"SZ:[  a  ]", Stored(kSettings, L"ScriptTest Text"));

    EXPECT_EQ(1, Run(u8"setting \"ScriptTest Number\" = ${Missing}\n"
                     u8"setting \"ScriptTest Text\" = reached\n"));
    EXPECT_EQ(L"", Stored(kSettings, L"ScriptTest Number"));
    EXPECT_EQ(L"SZ:[  a  ]", Stored(kSettings, L"ScriptTest Text"));

    EXPECT_EQ(1, Run(u8"set B = \"a\"b\"\n"));
}

// "policy" writes the user's policies (the same key in every view); a
// misspelt kind fails the step and writes nothing.
TEST_F(Script, PolicyWritesTheUsersPolicies) {
    SavedKey policies(HKEY_CURRENT_USER, "Software\\Policies\\Kelmir\\Tallivant\\aRvik");
    const wchar_t* const policy = L"Software\\Policies\\Kelmir\\Tallivant\\aRvik";
    const wchar_t* const policyProps = L"Software\\Policies\\Kelmir\\Tallivant\\aRvik\\Session Props";
    ASSERT_EQ(0, Run(u8"policy setting \"Max LogText\" = 100\n"
                     u8"policy prop Отдел = Касса\n"));
    EXPECT_EQ(L"DWORD:100", Stored(policy, L"Max LogText"));
    EXPECT_EQ(L"SZ:Касса", Stored(policyProps, L"Отдел"));
    EXPECT_EQ(L"", Stored(kProps, L"Отдел"));
    EXPECT_EQ(1, Run(u8"policy props Отдел = Склад\n"));
    EXPECT_EQ(L"SZ:Касса", Stored(policyProps, L"Отдел"));
}

// ${CRLF} and ${TAB} give the characters a script line cannot hold, also
// where a property of that name is set.
TEST_F(Script, CrlfAndTabStandForALineBreakAndATab) {
    ASSERT_EQ(0, Run(u8"set CRLF = no\n"
                     u8"setting \"ScriptTest Text\" = \"a${TAB}б${CRLF}${CRLF}c\"\n"));
    EXPECT_EQ(L"SZ:a\tб\r\n\r\nc", Stored(kSettings, L"ScriptTest Text"));
}
