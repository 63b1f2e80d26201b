#include <gtest/gtest.h>

#include <ClassFactory.h>
#include <HostSession.h>
#include <TASession.h>
#include <TallivantObject2.h>

#include "common/ComEnvironment.h"
#include "common/dispatch.h"

static ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

namespace {

// A plug-in object whose operation fails in the way mode says.
class Probe : public TallivantObject2<ITallivantPlugin> {
public:
    static int alive;
    int mode = 0;

    explicit Probe(const co<ITypeInfo>& info) : TallivantObject2<ITallivantPlugin>(info, 3) { ++alive; }
    ~Probe() override { --alive; }

    HRESULT STDMETHODCALLTYPE Initialize(IUnknown* host) override {
        return ComOperation([this, host] {
            switch (mode) {
            case 1: TAXDK::Tallivant::TASession(host).GetInt("Count"); break;
            case 2: throw CoError(E_ACCESSDENIED, "denied");
            case 3: throw OleAutoException(E_FAIL, 0x1234ABCD, "Src", "Desc", "reason");
            case 4: throw OleAutoException(E_FAIL, 7, "", "", "only the reason");
            case 5: throw 42;
            case 6: {
                ICreateErrorInfo* create = nullptr;
                CreateErrorInfo(&create);
                create->SetDescription(const_cast<LPOLESTR>(L"set, not thrown"));
                create->SetHelpContext(77);
                co<IErrorInfo> info;
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Out()));
                SetErrorInfo(0, info.get());
                create->Release();
                break;
            }
            }
        });
    }
};
int Probe::alive = 0;

struct ProbeTest : ::testing::Test {
    co<HostSession> host{new HostSession};
    Probe* probe = new Probe(co<ITypeInfo>());
    ~ProbeTest() override { probe->Release(); }

    HRESULT Run(int mode, EXCEPINFO* record) {
        probe->mode = mode;
        return Call(probe, L"Initialize", {ObjectArg(host.get())}, record);
    }
};

}  // namespace

TEST_F(ProbeTest, QueryInterfaceAnswersOwnAndEmbeddedInterfaces) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_INVALIDARG, probe->QueryInterface(__uuidof(IUnknown), nullptr));
    EXPECT_EQ(E_NOINTERFACE, probe->QueryInterface(__uuidof(IClassFactory), &out));
    EXPECT_EQ(nullptr, out);
    for (const IID& iid : {__uuidof(IUnknown), __uuidof(IDispatch), __uuidof(ITallivantPlugin)}) {
        ASSERT_EQ(S_OK, probe->QueryInterface(iid, &out));
        EXPECT_EQ(static_cast<ITallivantPlugin*>(probe), out);
        probe->Release();
    }

    IObjectSafety* safety = nullptr;
    ASSERT_EQ(S_OK, probe->QueryInterface(__uuidof(IObjectSafety), reinterpret_cast<void**>(&safety)));
    EXPECT_NE(static_cast<void*>(probe), static_cast<void*>(safety));
    EXPECT_EQ(3u, safety->AddRef());  // creator, the query, this AddRef: all on the object
    EXPECT_EQ(2u, probe->Release());
    DWORD supported = 0, enabled = 0;
    EXPECT_EQ(S_OK, safety->GetInterfaceSafetyOptions(__uuidof(ITallivantPlugin), &supported, &enabled));
    EXPECT_EQ(3u, supported);
    EXPECT_EQ(3u, enabled);
    EXPECT_EQ(1u, safety->Release());

    ISupportErrorInfo* errors = nullptr;
    ASSERT_EQ(S_OK, probe->QueryInterface(__uuidof(ISupportErrorInfo), reinterpret_cast<void**>(&errors)));
    EXPECT_EQ(S_OK, errors->InterfaceSupportsErrorInfo(__uuidof(ITallivantPlugin)));
    EXPECT_EQ(S_FALSE, errors->InterfaceSupportsErrorInfo(__uuidof(IClassFactory)));
    EXPECT_EQ(1u, errors->Release());
}

TEST_F(ProbeTest, TypeInformationIsTheHostsWhateverTheIndex) {
    UINT count = 0;
    EXPECT_EQ(E_INVALIDARG, probe->GetTypeInfoCount(nullptr));
    EXPECT_EQ(S_OK, probe->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(E_INVALIDARG, probe->GetTypeInfo(0, 0, nullptr));
    co<ITypeInfo> first, fifth, host;
    ASSERT_EQ(S_OK, probe->GetTypeInfo(0, 0, first.Out()));
    ASSERT_EQ(S_OK, probe->GetTypeInfo(5, 0, fifth.Out()));
    ASSERT_EQ(S_OK, GetTallivanxTypeInfo(__uuidof(ITallivantPlugin), host.Out()));
    EXPECT_EQ(first.get(), fifth.get());
    EXPECT_EQ(first.get(), host.get());
}

TEST(ComObject, LastReleaseDeletesTheObject) {
    Probe* probe = new Probe(co<ITypeInfo>());
    EXPECT_EQ(1, Probe::alive);
    EXPECT_EQ(2u, probe->AddRef());
    EXPECT_EQ(1u, probe->Release());
    EXPECT_EQ(0u, probe->Release());
    EXPECT_EQ(0, Probe::alive);
}

TEST_F(ProbeTest, InvokeTurnsExceptionsIntoRecords) {
    host->Set(L"Count", L"abc");
    struct Case {
        int mode;
        WORD code;
        const wchar_t* source;
        const wchar_t* description;
    } cases[] = {
        {1, 59999, L"Kelmir Tallivant", L"Неверный формат числа: Count=abc"},
        {3, 0xABCD, L"Src", L"Desc"},
        {4, 7, L"Kelmir Tallivant", L"only the reason"},
        {5, 59999, L"Kelmir Tallivant", L"Необработанная ошибка неизвестного типа"},
        {6, 77, L"Kelmir Tallivant", L"set, not thrown"},
    };
    for (const Case& c : cases) {
        Record record;
        EXPECT_EQ(DISP_E_EXCEPTION, Run(c.mode, &record)) << c.mode;
        EXPECT_EQ(c.code, record.wCode) << c.mode;
        EXPECT_EQ(DISP_E_EXCEPTION, record.scode) << c.mode;
        EXPECT_STREQ(c.source, record.bstrSource) << c.mode;
        EXPECT_STREQ(c.description, record.bstrDescription) << c.mode;
        EXPECT_EQ(nullptr, record.bstrHelpFile);
        EXPECT_EQ(0u, record.dwHelpContext);
    }
    Record denied;
    EXPECT_EQ(DISP_E_EXCEPTION, Run(2, &denied));
    EXPECT_EQ(LOWORD(E_ACCESSDENIED), denied.wCode);
    EXPECT_STREQ(L"denied", denied.bstrDescription);

    // No record: the same result; and the object is still usable.
    EXPECT_EQ(DISP_E_EXCEPTION, Run(1, nullptr));
    EXPECT_EQ(DISP_E_EXCEPTION, Run(5, nullptr));
    Record none;
    EXPECT_EQ(S_OK, Run(0, &none));
    EXPECT_EQ(nullptr, none.bstrDescription);
}

TEST_F(ProbeTest, DirectCallReportsThroughErrorInformation) {
    host->Set(L"Count", L"abc");
    probe->mode = 1;
    EXPECT_EQ(E_FAIL, probe->Initialize(host.get()));
    co<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.Out()));
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_STREQ(L"Неверный формат числа: Count=abc", description);
    SysFreeString(description);
}

TEST(ComFactory, CreatesPlainObjectsForItsInterfacesOnly) {
    IClassFactory* factory = new ClassFactory<Probe>;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_INVALIDARG, factory->CreateInstance(nullptr, __uuidof(IDispatch), nullptr));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, __uuidof(IClassFactory), &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, Probe::alive);

    co<HostSession> outer(new HostSession);
    for (const IID& iid : {__uuidof(IUnknown), __uuidof(IDispatch), __uuidof(ITallivantPlugin)}) {
        ASSERT_EQ(S_OK, factory->CreateInstance(outer.get(), iid, &out));
        EXPECT_EQ(1, Probe::alive);
        EXPECT_EQ(0u, static_cast<IUnknown*>(out)->Release());
        EXPECT_EQ(0, Probe::alive);
    }
    EXPECT_EQ(S_OK, factory->QueryInterface(__uuidof(IClassFactory), &out));
    EXPECT_EQ(1u, factory->Release());
    EXPECT_EQ(0u, factory->Release());
}

TEST(ComEmbedded, WithoutOuterObjectAnswersUnexpected) {
    ObjectSafety2 safety(nullptr);
    SupportErrorInfo errors(nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_UNEXPECTED, safety.QueryInterface(__uuidof(IUnknown), &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(static_cast<ULONG>(E_UNEXPECTED), safety.AddRef());
    EXPECT_EQ(static_cast<ULONG>(E_UNEXPECTED), errors.Release());
    EXPECT_EQ(S_OK, errors.Add(__uuidof(IDispatch)));
    EXPECT_EQ(S_OK, errors.InterfaceSupportsErrorInfo(__uuidof(IDispatch)));
}
