#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include <HostSession.h>
#include <Objects/SessionExtender.h>

#include "common/SavedKey.h"
#include "common/dispatch.h"

namespace {

// Drives an extender the way the host does, on a fresh session, with the
// Session Props key removed before and after, and the plug-in key put back
// as it was (gone, when the test made it).
struct Extender : ::testing::Test {
    SavedKey saved{HKEY_CURRENT_USER, PLUGIN_KEY};  // first, so that it goes after the extender
    co<ITallivantSessionExtender> extender{new Plugin::SessionExtender};
    co<HostSession> session{new HostSession};

    Extender() { RegDeleteTreeA(HKEY_CURRENT_USER, SESSION_PROPS_KEY); }
    ~Extender() override { RegDeleteTreeA(HKEY_CURRENT_USER, SESSION_PROPS_KEY); }

    HRESULT Command(const wchar_t* name, EXCEPINFO* record = nullptr, IUnknown* target = nullptr) {
        BSTR text = SysAllocString(name);
        HRESULT hr = Call(extender.get(), L"Command", {ObjectArg(target ? target : session.get()), TextArg(text)},
                          record);
        SysFreeString(text);
        return hr;
    }
    HRESULT Started() { return Call(extender.get(), L"SessionStarted", {ObjectArg(session.get())}); }

    static HKEY Props() {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        return key;
    }
    static bool PropsExist() { return KeyExists(HKEY_CURRENT_USER, SESSION_PROPS_KEY); }
    static void Put(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    }
};

}  // namespace

TEST_F(Extender, SetPropMatchesAnyCaseAndStoresTheDefault) {
    session->Set(L"aRvik.Name", L"Greeting");
    session->Set(L"aRvik.Value", L"Привет");
    ASSERT_EQ(S_OK, Command(L"ARVIK.SETPROP"));
    EXPECT_STREQ(L"Привет", session->Value(L"Greeting"));
    EXPECT_TRUE(session->Has(L"aRvik.Name"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Name"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Value"));
    char data[32] = {};
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "Greeting", RRF_RT_ANY, &type,
                                          data, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ("Привет", data);

    // An empty value deletes the default and empties the property.
    session->Set(L"aRvik.Name", L"greeting");
    ASSERT_EQ(S_OK, Command(L"aRvik.setprop"));
    EXPECT_STREQ(L"", session->Value(L"Greeting"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegGetValueA(HKEY_CURRENT_USER, SESSION_PROPS_KEY, "Greeting", RRF_RT_ANY, nullptr, nullptr, nullptr));
}

TEST_F(Extender, NoCommandChangesNothing) {
    session->Set(L"aRvik.Name", L"Greeting");
    session->Set(L"aRvik.Value", L"x");
    for (const wchar_t* name : {L"aRvik.SetProp ", L" aRvik.SetProp", L"aRvik.Set", L"", static_cast<const wchar_t*>(nullptr), L"aRvik.LogWriter",
                                L"aRvik.Execute2", L"aRvik.File"})
        EXPECT_EQ(S_OK, Command(name));
    EXPECT_EQ(2u, session->Count());
    EXPECT_STREQ(L"Greeting", session->Value(L"aRvik.Name"));
    EXPECT_FALSE(PropsExist());

    // SetProp without a name only clears its arguments.
    session->Set(L"aRvik.Name", L"");
    ASSERT_EQ(S_OK, Command(L"aRvik.SetProp"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Value"));
    EXPECT_EQ(2u, session->Count());
    EXPECT_FALSE(PropsExist());
}

TEST_F(Extender, EnvironmentCommands) {
    _putenv("ARVIK_SESSION_TEST=");
    session->Set(L"aRvik.Name", L"ARVIK_SESSION_TEST");
    session->Set(L"aRvik.Value", L"stale");
    ASSERT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_TRUE(session->Has(L"aRvik.Value"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Value"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Name"));

    session->Set(L"aRvik.Name", L"ARVIK_SESSION_TEST");
    session->Set(L"aRvik.Value", L"C:\\Tools");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    EXPECT_STREQ("C:\\Tools", getenv("ARVIK_SESSION_TEST"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Name"));
    EXPECT_STREQ(L"", session->Value(L"aRvik.Value"));
    session->Set(L"aRvik.Name", L"arvik_session_test");
    ASSERT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_STREQ(L"C:\\Tools", session->Value(L"aRvik.Value"));

    // Without a name, or with "=" in it, the environment stays as it is.
    for (const wchar_t* name : {L"", L"ARVIK_SESSION_TEST=X"}) {
        session->Set(L"aRvik.Name", name);
        session->Set(L"aRvik.Value", L"other");
        ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
        EXPECT_STREQ("C:\\Tools", getenv("ARVIK_SESSION_TEST"));
        EXPECT_STREQ(L"", session->Value(L"aRvik.Name"));
        EXPECT_STREQ(L"", session->Value(L"aRvik.Value"));
    }
    EXPECT_EQ(nullptr, getenv("ARVIK_SESSION_TEST=X"));

    // An empty value removes the variable.
    session->Set(L"aRvik.Name", L"ARVIK_SESSION_TEST");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    EXPECT_EQ(nullptr, getenv("ARVIK_SESSION_TEST"));
}

// The longest name the system's environment holds works; a longer one is
// refused before the system sees it (it faults there), the host alive and
// the arguments kept.
TEST_F(Extender, EnvironmentNamesPastTheSystemsLimitAreRefused) {
    std::wstring longest(32766, L'V');
    session->Set(L"aRvik.Name", longest.c_str());
    session->Set(L"aRvik.Value", L"set");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    session->Set(L"aRvik.Name", longest.c_str());
    ASSERT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_STREQ(L"set", session->Value(L"aRvik.Value"));
    session->Set(L"aRvik.Name", longest.c_str());
    session->Set(L"aRvik.Value", L"");
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));

    for (size_t length : {32767u, 100000u})
        for (const wchar_t* command : {L"aRvik.PutEnv", L"aRvik.GetEnv"}) {
            std::wstring name(length, L'V');
            session->Set(L"aRvik.Name", name.c_str());
            session->Set(L"aRvik.Value", L"kept");
            Record record;
            ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record));
            EXPECT_EQ(L"Имя переменной среды длиннее 32766 знаков (" + std::to_wstring(length) + L"): aRvik.Name",
                      std::wstring(record.bstrDescription));
            EXPECT_EQ(name, session->Value(L"aRvik.Name"));
            EXPECT_STREQ(L"kept", session->Value(L"aRvik.Value"));
        }

    // So is a value past the system's limit, the variable left as it was.
    _putenv("ARVIK_SESSION_TEST=before");
    for (size_t length : {32767u, 100000u}) {
        std::wstring value(length, L'v');
        session->Set(L"aRvik.Name", L"ARVIK_SESSION_TEST");
        session->Set(L"aRvik.Value", value.c_str());
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.PutEnv", &record));
        EXPECT_EQ(L"Значение переменной среды длиннее 32766 знаков (" + std::to_wstring(length) +
                      L"): aRvik.Value",
                  std::wstring(record.bstrDescription));
        EXPECT_STREQ(L"ARVIK_SESSION_TEST", session->Value(L"aRvik.Name"));
        EXPECT_EQ(value, session->Value(L"aRvik.Value"));
        EXPECT_STREQ("before", getenv("ARVIK_SESSION_TEST"));
    }
    std::wstring longestValue(32766, L'v');
    session->Set(L"aRvik.Value", longestValue.c_str());
    ASSERT_EQ(S_OK, Command(L"aRvik.PutEnv"));
    EXPECT_EQ(32766u, strlen(getenv("ARVIK_SESSION_TEST")));
    _putenv("ARVIK_SESSION_TEST=");

    // A Session Props name past the registry's limit: refused before the key
    // is even made.
    std::wstring name(16384, L'P');
    session->Set(L"aRvik.Name", name.c_str());
    session->Set(L"aRvik.Value", L"x");
    Record record;
    ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.SetProp", &record));
    EXPECT_STREQ(L"Имя параметра длиннее 16383 знаков (16384): aRvik.Name", record.bstrDescription);
    EXPECT_EQ(name, session->Value(L"aRvik.Name"));
    EXPECT_STREQ(L"x", session->Value(L"aRvik.Value"));
    EXPECT_FALSE(PropsExist());
    name.pop_back();
    session->Set(L"aRvik.Name", name.c_str());
    ASSERT_EQ(S_OK, Command(L"aRvik.SetProp"));
    EXPECT_STREQ(L"x", session->Value(name.c_str()));
}

TEST_F(Extender, SessionPropsReachTheSession) {
    EXPECT_EQ(S_OK, Started());  // no key: nothing
    EXPECT_EQ(S_OK, Command(L"aRvik.UpdateProps"));
    EXPECT_EQ(0u, session->Count());
    // With nothing to copy the object is not even asked for its values: one
    // that has none (the extender itself) is no failure.
    EXPECT_EQ(S_OK, Call(extender.get(), L"SessionStarted", {ObjectArg(extender.get())}));
    EXPECT_EQ(S_OK, Command(L"aRvik.UpdateProps", nullptr, extender.get()));

    HKEY key = Props();
    DWORD all = 0xFFFFFFFF;
    Put(key, "Big", REG_DWORD, &all, sizeof all);
    Put(key, "Text", REG_SZ, "Значение", 9);
    Put(key, "Blob", REG_BINARY, "\1\2", 2);
    Put(key, "Multi", REG_MULTI_SZ, "a\0b\0", 5);
    Put(key, "", REG_SZ, "unnamed", 8);
    RegCloseKey(key);
    session->Set(L"Text", L"old");
    session->Set(L"Other", L"kept");

    ASSERT_EQ(S_OK, Started());
    EXPECT_STREQ(L"4294967295", session->Value(L"Big"));
    EXPECT_STREQ(L"Значение", session->Value(L"Text"));
    EXPECT_STREQ(L"kept", session->Value(L"Other"));
    EXPECT_FALSE(session->Has(L"Blob"));
    EXPECT_FALSE(session->Has(L"Multi"));
    EXPECT_FALSE(session->Has(L""));
    EXPECT_EQ(3u, session->Count());

    session->Set(L"Text", L"changed");
    ASSERT_EQ(S_OK, Command(L"aRvik.UPDATEPROPS"));
    EXPECT_STREQ(L"Значение", session->Value(L"Text"));
    // Something to copy into an object that has no values fails as before.
    EXPECT_EQ(DISP_E_EXCEPTION, Call(extender.get(), L"SessionStarted", {ObjectArg(extender.get())}));
    EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.UpdateProps", nullptr, extender.get()));
}

TEST_F(Extender, LargePropsAreCopiedWhole) {
    HKEY key = Props();
    std::string mib(1 << 20, 'z');
    Put(key, "Huge", REG_SZ, mib.c_str(), static_cast<DWORD>(mib.size() + 1));
    std::string longName(16383, 'n');
    Put(key, longName.c_str(), REG_SZ, "long", 5);
    for (int i = 0; i < 10000; ++i) {
        char name[16];
        DWORD value = i;
        wsprintfA(name, "P%05d", i);
        Put(key, name, REG_DWORD, &value, sizeof value);
    }
    RegCloseKey(key);

    ASSERT_EQ(S_OK, Started());
    EXPECT_EQ(10002u, session->Count());
    EXPECT_EQ(std::wstring(1 << 20, L'z'), session->Value(L"Huge"));
    EXPECT_STREQ(L"long", session->Value(std::wstring(16383, L'n').c_str()));
    EXPECT_STREQ(L"9999", session->Value(L"P09999"));
}

TEST_F(Extender, TerminationBlockFollowsOperationsTenAndSeven) {
    terminateBlocked = false;
    ASSERT_EQ(S_OK, Call(extender.get(), L"BlockTerminate", {EmptyArg()}));
    EXPECT_TRUE(terminateBlocked);
    ASSERT_EQ(S_OK, Call(extender.get(), L"SessionEnded", {EmptyArg()}));
    EXPECT_TRUE(terminateBlocked);
    ASSERT_EQ(S_OK, Call(extender.get(), L"UnblockTerminate", {EmptyArg()}));
    EXPECT_FALSE(terminateBlocked);
}

TEST_F(Extender, FailureBecomesAnExceptionRecordAndTheObjectStaysUsable) {
    // The extender is no session: asking it for one fails.
    Record record;
    EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.GetEnv", &record, extender.get()));
    EXPECT_EQ(LOWORD(E_NOINTERFACE), record.wCode);
    EXPECT_EQ(DISP_E_EXCEPTION, record.scode);
    EXPECT_STREQ(L"Kelmir Tallivant", record.bstrSource);
    ASSERT_NE(nullptr, record.bstrDescription);
    EXPECT_NE(nullptr, wcsstr(record.bstrDescription, L"\"Borvil/Include/co\":114"));
    EXPECT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.GetEnv", nullptr, extender.get()));

    session->Set(L"aRvik.Name", L"PATH");
    EXPECT_EQ(S_OK, Command(L"aRvik.GetEnv"));
    EXPECT_STRNE(L"", session->Value(L"aRvik.Value"));
}

TEST_F(Extender, BadInvokeArgumentsGiveTheDispatchErrors) {
    DISPID command = DispId(extender.get(), L"Command");
    co<ITypeInfo> info;
    ASSERT_EQ(S_OK, extender->GetTypeInfo(0, 0, info.Out()));
    BSTR name = SysAllocString(L"aRvik.GetEnv");
    VARIANT right[2] = {TextArg(name), ObjectArg(session.get())};  // reversed order
    VARIANT swapped[2] = {ObjectArg(session.get()), TextArg(name)};
    DISPPARAMS cases[] = {{right, nullptr, 1, 0}, {swapped, nullptr, 2, 0}, {right, nullptr, 0, 0}};
    for (DISPPARAMS& params : cases) {
        UINT argError = 99;
        HRESULT expected = DispInvoke(extender.get(), info.get(), command, DISPATCH_METHOD, &params, nullptr,
                                      nullptr, &argError);
        EXPECT_EQ(FACILITY_DISPATCH, HRESULT_FACILITY(expected));
        EXPECT_EQ(expected, extender->Invoke(command, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                             &argError));
    }
    UINT argError = 0;
    DISPPARAMS params = {right, nullptr, 2, 0};
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, extender->Invoke(4711, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                                      nullptr, &argError));
    EXPECT_EQ(S_OK, extender->Invoke(command, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                     &argError));
    SysFreeString(name);
}
