#include <co.h>
#include <HostObject.h>
#include <Tallivanx.h>

#include "ModuleTest.h"
#include "common/Files.h"
#include "common/SavedKey.h"
#include "common/Scratch.h"
#include "common/WriteDenied.h"
#include "common/dispatch.h"

namespace {

const CLSID pluginClass = {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, 0x3C, 0x5D, 0x7F, 0x9A, 0x1B, 0x04}};

ULONG Holders(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// A plug-in object made through the module's factory and initialised with
// a stand-in host, through Invoke as a scripting host would. Starting, it
// writes the user's first settings when they are due: they are put back.
struct Initialised : ModuleTest {
    SavedKey user{HKEY_CURRENT_USER, USER_KEY};

    void SetUp() override {
        ModuleTest::SetUp();
        co<IClassFactory> factory;
        ASSERT_EQ(S_OK, getClassObject(pluginClass, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())));
        ASSERT_EQ(S_OK,
                  factory->CreateInstance(nullptr, IID_ITallivantPlugin, reinterpret_cast<void**>(plugin.Out())));
        ASSERT_EQ(S_OK, Call(plugin.get(), L"Initialize", {ObjectArg(host.get())}));
        ASSERT_EQ(1u, host->Terminals()->Extenders().size());
        ASSERT_EQ(1u, host->Sessions()->Extenders().size());
        terminal = host->Terminals()->Extenders()[0].get();
        session = host->Sessions()->Extenders()[0].get();
    }
    void TearDown() override {
        DropQuit();
        plugin.Release();
        host.Release();
        ModuleTest::TearDown();
    }
    HRESULT Event(const wchar_t* name) {
        BSTR text = name ? SysAllocString(name) : nullptr;
        HRESULT hr = Call(terminal, L"TerminalEvent", {EmptyArg(), TextArg(text)});
        SysFreeString(text);
        return hr;
    }
    // True when a quit message waits in this thread's queue; takes it.
    static bool DropQuit() {
        MSG msg;
        bool quit = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_QUIT) quit = true;
        return quit;
    }

    co<HostObject> host{new HostObject};
    co<ITallivantPlugin> plugin;
    ITallivantTerminalExtender2* terminal = nullptr;
    ITallivantSessionExtender* session = nullptr;
};

}  // namespace

TEST_F(Initialised, HostHoldsTheOnlyReferencesToTheExtenders) {
    plugin.Release();
    EXPECT_EQ(1u, Holders(terminal));
    EXPECT_EQ(1u, Holders(session));
}

TEST_F(Initialised, TerminalExtenderAnswersBothInterfaces) {
    void* base = nullptr;
    ASSERT_EQ(S_OK, terminal->QueryInterface(IID_ITallivantTerminalExtender, &base));
    EXPECT_EQ(static_cast<void*>(terminal), base);
    static_cast<IUnknown*>(base)->Release();
    void* derived = nullptr;
    ASSERT_EQ(S_OK, terminal->QueryInterface(IID_ITallivantTerminalExtender2, &derived));
    EXPECT_EQ(static_cast<void*>(terminal), derived);
    static_cast<IUnknown*>(derived)->Release();
    EXPECT_EQ(E_INVALIDARG, terminal->QueryInterface(IID_ITallivantTerminalExtender, nullptr));
    EXPECT_EQ(1u, Holders(terminal));
}

TEST_F(Initialised, PollInAnyCaseBecomesADiagnosticWithTheNameAsReceived) {
    ASSERT_EQ(S_OK, Event(L"pOLL"));
    ASSERT_EQ(S_OK, Event(L"Poll"));
    ASSERT_EQ(2u, ShownMessages().size());
    const ShownMessage& box = ShownMessages()[0];
    EXPECT_EQ(MessageKind::Debug, box.kind);
    EXPECT_EQ("Terminal event pOLL", box.text);
    EXPECT_EQ("Kelmir Tallivant aRvik plugin v.1.3.0", box.caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), box.style);  // the library's default for style 0
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ("Terminal event Poll", ShownMessages()[1].text);
    EXPECT_FALSE(DropQuit());
}

TEST_F(Initialised, TerminateEndsTheMessageLoopUnlessBlocked) {
    ASSERT_EQ(S_OK, Event(L"ARVIK.TERMINATE"));
    EXPECT_TRUE(DropQuit());

    ASSERT_EQ(S_OK, Call(session, L"BlockTerminate", {EmptyArg()}));
    ASSERT_EQ(S_OK, Event(L"aRvik.Terminate"));
    EXPECT_FALSE(DropQuit());

    ASSERT_EQ(S_OK, Call(session, L"UnblockTerminate", {EmptyArg()}));
    ASSERT_EQ(S_OK, Event(L"arvik.terminate"));
    EXPECT_TRUE(DropQuit());
}

TEST_F(Initialised, OtherEventsAndOtherOperationsDoNothing) {
    EXPECT_EQ(S_OK, Event(L""));
    EXPECT_EQ(S_OK, Event(nullptr));
    EXPECT_EQ(S_OK, Event(L"aRvik.Terminate "));
    EXPECT_EQ(S_OK, Event(L"Polling"));
    EXPECT_EQ(S_OK, Call(terminal, L"TerminalState", {EmptyArg(), EmptyArg(), EmptyArg()}));
    EXPECT_FALSE(DropQuit());
    EXPECT_TRUE(ShownMessages().empty());

    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = 42;
    EXPECT_EQ(0, terminal->TerminalQuery(v, v, v, v, v, v));
    std::vector<VARIANT> args(6, v);
    DISPPARAMS params = {args.data(), nullptr, 6, 0};
    VARIANT result;
    VariantInit(&result);
    V_VT(&result) = VT_I4;
    V_I4(&result) = -1;
    UINT argError = 0;
    ASSERT_EQ(S_OK, terminal->Invoke(DispId(terminal, L"TerminalQuery"), IID_NULL, LOCALE_USER_DEFAULT,
                                     DISPATCH_METHOD, &params, &result, nullptr, &argError));
    EXPECT_EQ(VT_I4, V_VT(&result));
    EXPECT_EQ(0, V_I4(&result));
}

TEST_F(Initialised, AHostWithoutHostInterfaceStopsBeforeCreatingAnything) {
    co<TerminalSite> notAHost(new TerminalSite);
    Record record;
    EXPECT_EQ(DISP_E_EXCEPTION, Call(plugin.get(), L"Initialize", {ObjectArg(notAHost.get())}, &record));
    EXPECT_EQ(LOWORD(E_NOINTERFACE), record.wCode);
    EXPECT_STREQ(L"Kelmir Tallivant", record.bstrSource);
    EXPECT_EQ(1u, host->Terminals()->Extenders().size());
    EXPECT_EQ(0u, notAHost->Extenders().size());
}

TEST_F(Initialised, ANullHostIsRefusedWithoutACrash) {
    Record record;
    EXPECT_EQ(DISP_E_EXCEPTION, Call(plugin.get(), L"Initialize", {ObjectArg(nullptr)}, &record));
    EXPECT_EQ(LOWORD(E_POINTER), record.wCode);
    EXPECT_STREQ(L"Kelmir Tallivant", record.bstrSource);
    EXPECT_EQ(1u, host->Terminals()->Extenders().size());
}

namespace {

// A plug-in started for a user whom no installation reached: another
// account of the terminal, or every account when the system account
// installed. The product's log root is a scratch folder.
struct FirstStart : ModuleTest {
    Scratch scratch{"arvik_first"};
    SavedKey product{HKEY_LOCAL_MACHINE, "Software\\Kelmir\\Tallivant"}, user{HKEY_CURRENT_USER, USER_KEY};
    co<HostObject> host;
    co<ITallivantPlugin> plugin;

    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, USER_KEY);
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Kelmir\\Tallivant", "Log Root", REG_SZ,
                                                 scratch.folder.c_str(), DWORD(scratch.folder.size() + 1)));
        ModuleTest::SetUp();
    }
    void TearDown() override {
        plugin.Release();
        host.Release();
        ModuleTest::TearDown();
    }
    // A new plug-in on a new host.
    HRESULT Start() {
        plugin.Release();
        host = co<HostObject>(new HostObject);
        co<IClassFactory> factory;
        HRESULT hr = getClassObject(pluginClass, IID_IClassFactory, reinterpret_cast<void**>(factory.Out()));
        if (SUCCEEDED(hr))
            hr = factory->CreateInstance(nullptr, IID_ITallivantPlugin, reinterpret_cast<void**>(plugin.Out()));
        return SUCCEEDED(hr) ? Call(plugin.get(), L"Initialize", {ObjectArg(host.get())}) : hr;
    }
    static std::string LogPath() {
        char path[1024] = "-";
        DWORD size = sizeof path - 1;
        RegGetValueA(HKEY_CURRENT_USER, USER_KEY, "Script LogPath", RRF_RT_REG_SZ, nullptr, path, &size);
        return path;
    }
};

}  // namespace

// The settings come at the start, before any session: the first entry is
// logged. A user key that cannot be written changes nothing and shows no
// box: the plug-in starts all the same.
TEST_F(FirstStart, AUserWithoutSettingsGetsThemAndLogsFromTheFirstEntry) {
    ASSERT_EQ(S_OK, Start());
    EXPECT_EQ(scratch + "Script\\DebugLog *.txt", LogPath());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, USER_PROPS_KEY));
    co<HostSession> session(new HostSession);
    session->Set(L"aRvik.LogText", L"first");
    BSTR name = SysAllocString(L"aRvik.LogWrite");
    ASSERT_EQ(1u, host->Sessions()->Extenders().size());
    EXPECT_EQ(S_OK, Call(host->Sessions()->Extenders()[0].get(), L"Command", {ObjectArg(session.get()), TextArg(name)}));
    SysFreeString(name);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char file[64];
    wsprintfA(file, "Script\\DebugLog (%04u-%02u-%02u).txt", now.wYear, now.wMonth, now.wDay);
    std::string log = ReadWhole(scratch + file);
    EXPECT_EQ(" first\r\n", log.substr(log.size() < 8 ? 0 : log.size() - 8));

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, USER_KEY, "Script LogPath"));
    WriteDenied denied(USER_KEY);
    ASSERT_TRUE(denied.ok);
    EXPECT_EQ(S_OK, Start());
    EXPECT_EQ("-", LogPath());
    EXPECT_EQ(1u, host->Sessions()->Extenders().size());
    EXPECT_TRUE(ShownMessages().empty());
}
