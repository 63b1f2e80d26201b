#include "LoadTest.h"
#include "common/WriteDenied.h"

#include <fwwin/RegKey.h>

namespace {

// A session object whose value operations all fail: GetValue gives null,
// the others E_FAIL. Counts the reads and writes asked of it.
class FailingSession : public IDispatchType<ITallivantSessionSite> {
public:
    FailingSession() : IDispatchType<ITallivantSessionSite>(TypeInfo()) {}

    HRESULT STDMETHODCALLTYPE GetName(BSTR*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE HasValue(BSTR, VARIANT_BOOL*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE RemoveValue(BSTR) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE GetValueCount(LONG*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE SetValue(BSTR, BSTR) override {
        ++writes;
        return E_FAIL;
    }
    LPCWSTR STDMETHODCALLTYPE GetValue(BSTR) override {
        ++reads;
        return nullptr;
    }
    HRESULT STDMETHODCALLTYPE RemoveSessionExtender(ITallivantSessionExtender*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE AddSessionExtender(ITallivantSessionExtender*) override { return E_FAIL; }

    int reads = 0, writes = 0;

private:
    static co<ITypeInfo> TypeInfo() {
        co<ITypeInfo> info;
        GetTallivanxTypeInfo(__uuidof(ITallivantSessionSite), info.Out());
        return info;
    }
};

struct FaultTest : CommandTest {
    SavedKey settings{HKEY_CURRENT_USER, PLUGIN_KEY};
    std::string logName = scratch + "script.log";

    FaultTest() {
        RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, "Script LogPath", REG_SZ, logName.c_str(),
                        static_cast<DWORD>(logName.size() + 1));
    }
    // Runs a command that must fail with description; the record's other
    // fields are those of every plain failure.
    void Fails(const wchar_t* command, const std::wstring& description, IUnknown* on = nullptr) {
        BSTR name = SysAllocString(command);
        Record record;
        HRESULT hr = Call(extender.get(), L"Command", {ObjectArg(on ? on : session.get()), TextArg(name)}, &record);
        SysFreeString(name);
        ASSERT_EQ(DISP_E_EXCEPTION, hr) << Narrow(command);
        EXPECT_EQ(59999, record.wCode);
        EXPECT_EQ(DISP_E_EXCEPTION, record.scode);
        EXPECT_STREQ(L"Kelmir Tallivant", record.bstrSource);
        EXPECT_STREQ(description.c_str(), record.bstrDescription);
    }
    static std::string Prop() {
        RegKey props(HKEY_CURRENT_USER, SESSION_PROPS_KEY, false, KEY_READ);
        return props["Load.Fault"].Valid() ? std::string(props["Load.Fault"].Text().c_str()) : "<none>";
    }
};

}  // namespace

TEST_F(FaultTest, SetPropIntoAKeyWithoutWriteAccessFailsAndKeepsItsArguments) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "Load.Fault", REG_SZ, "old", 4));
    {
        WriteDenied denied(SESSION_PROPS_KEY);
        ASSERT_TRUE(denied.ok);
        for (const char* value : {"new", ""}) {  // storing, then deleting
            Set(L"aRvik.Name", "Load.Fault");
            Set(L"aRvik.Value", value);
            Fails(L"aRvik.SetProp", L"Не удалось открыть раздел реестра (ошибка 5): HKEY_CURRENT_USER\\" + Wide(SESSION_PROPS_KEY));
            EXPECT_EQ("Load.Fault", Get(L"aRvik.Name"));
            EXPECT_EQ(value, Get(L"aRvik.Value"));
            EXPECT_FALSE(session->Has(L"Load.Fault"));
            EXPECT_EQ("old", Prop());
        }
    }
    Set(L"aRvik.Value", "new");
    ASSERT_EQ(S_OK, Command(L"aRvik.SetProp"));
    EXPECT_EQ("new", Prop());
    EXPECT_EQ("new", Get(L"Load.Fault"));
}

TEST_F(FaultTest, LogWriteWithoutReadAccessToItsSettingsFailsInsteadOfLosingTheEntry) {
    {
        WriteDenied denied(PLUGIN_KEY, HKEY_CURRENT_USER, KEY_QUERY_VALUE);
        ASSERT_TRUE(denied.ok);
        Set(L"aRvik.LogText", "kept");
        Fails(L"aRvik.LogWrite", L"Не удалось открыть раздел реестра (ошибка 5): HKEY_CURRENT_USER\\" + Wide(PLUGIN_KEY));
        EXPECT_EQ("kept", Get(L"aRvik.LogText"));
        EXPECT_EQ("<missing>", ReadWhole(logName));
    }
    ASSERT_EQ(S_OK, Command(L"aRvik.LogWrite"));
    std::string log = ReadWhole(logName);
    ASSERT_EQ(30u, log.size());  // time stamp, "kept", line end
    EXPECT_EQ("kept\r\n", log.substr(24));
}

TEST_F(FaultTest, FileWriteBelowAFileOrOntoAFullDeviceFailsAndTheNextWriteWorks) {
    std::string blocker = scratch + "plain";
    WriteWhole(blocker, "x");
    std::string below = blocker + "\\sub\\a.txt";
    Set(L"aRvik.FileName", below);
    Set(L"aRvik.FileText", "kept");
    Fails(L"aRvik.FileWrite", L"Не удалось записать файл (путь не найден): " + Wide(below));
    EXPECT_EQ("kept", Get(L"aRvik.FileText"));

    // Wine shows the Unix device that is always full as Z:\dev\full.
    const char* full = "Z:\\dev\\full";
    if (Exists(full)) {
        Set(L"aRvik.FileName", full);
        Fails(L"aRvik.FileWrite", L"Не удалось записать файл (ошибка 112): " + Wide(full));
        EXPECT_EQ("kept", Get(L"aRvik.FileText"));
    }

    std::string name = scratch + "a.txt";
    Set(L"aRvik.FileName", name);
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    EXPECT_EQ("kept", ReadWhole(name));
}

TEST_F(FaultTest, ProgramsThatCannotStartFailAndTheNextStartWorks) {
    std::string missing = "\"" + scratch.folder + "missing.exe\"";
    Set(L"aRvik.Command", missing);
    Set(L"aRvik.Wait", "1");
    Fails(L"aRvik.Execute", L"Windows system call error 2 (00000002) at \"Plugin/SessionExtender\":246");
    EXPECT_EQ(missing, Get(L"aRvik.Command"));

    std::string fake = scratch + "fake.exe";
    WriteWhole(fake, "no program at all");
    Set(L"aRvik.Command", "\"" + fake + "\"");
    Fails(L"aRvik.Execute", L"Windows system call error 193 (000000C1) at \"Plugin/SessionExtender\":246");

    Set(L"aRvik.Command", "\"" + ExeFolder() + "commands_child.exe\" 12");
    ASSERT_EQ(S_OK, Command(L"aRvik.Execute"));
    EXPECT_EQ("12", Get(L"aRvik.Result"));
}

// The host's value writes are not checked and a null read is the empty
// text: against such a session every command runs on empty arguments, and
// only FileWrite, left without a name, reports a failure.
TEST_F(FaultTest, SessionWhoseValueOperationsFail) {
    co<FailingSession> failing{new FailingSession};
    for (const wchar_t* command : {L"aRvik.LogWrite", L"aRvik.SetProp", L"aRvik.GetEnv", L"aRvik.PutEnv",
                                   L"aRvik.Execute", L"aRvik.UpdateProps"}) {
        BSTR name = SysAllocString(command);
        Record record;
        EXPECT_EQ(S_OK, Call(extender.get(), L"Command", {ObjectArg(failing.get()), TextArg(name)}, &record))
            << Narrow(command);
        SysFreeString(name);
    }
    Fails(L"aRvik.FileWrite", L"Не удалось записать файл (путь не найден): ", failing.get());
    EXPECT_EQ(7, failing->reads);
    EXPECT_GE(failing->writes, 7);

    // An empty entry was written; the extender goes on serving sound sessions.
    EXPECT_EQ(26u, ReadWhole(logName).size());
    Set(L"aRvik.Name", "ARVIK_LOAD_FAULT");
    Set(L"aRvik.Value", "set");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    Set(L"aRvik.Name", "ARVIK_LOAD_FAULT");
    ASSERT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_EQ("set", Get(L"aRvik.Value"));
    SetEnvironmentVariableA("ARVIK_LOAD_FAULT", nullptr);
}
