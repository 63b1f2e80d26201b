#include <co.h>
#include <Tallivanx.h>

#include "ModuleTest.h"
#include "common/Files.h"

namespace {

const CLSID pluginClass = {0x6A0F3C2E, 0x71D4, 0x4B8A, {0x9E, 0x25, 0x3C, 0x5D, 0x7F, 0x9A, 0x1B, 0x04}};
const CLSID otherClass = {0x01234567, 0x89AB, 0xCDEF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
void* const sentinel = reinterpret_cast<void*>(static_cast<UINT_PTR>(0x5EE7));

// References on the host's type information for ITallivantPlugin other than
// ours: every live factory and object holds one.
ULONG TypeInfoHolders(ITypeInfo* info) {
    info->AddRef();
    return info->Release();
}

using ClassObject = ModuleTest;

}  // namespace

TEST_F(ClassObject, UnknownClassGivesNoInterfaceAndTouchesNothing) {
    void* out = sentinel;
    EXPECT_EQ(E_NOINTERFACE, getClassObject(otherClass, IID_IClassFactory, &out));
    EXPECT_EQ(sentinel, out);
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(ClassObject, RefusedInterfaceLeavesNoFactoryAlive) {
    co<ITypeInfo> info;
    ASSERT_EQ(S_OK, GetTallivanxTypeInfo(IID_ITallivantPlugin, info.Out()));
    ULONG before = TypeInfoHolders(info.get());

    void* out = sentinel;
    EXPECT_EQ(E_NOINTERFACE, getClassObject(pluginClass, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, TypeInfoHolders(info.get()));

    // The check above sees a live factory: one given out holds a reference.
    IClassFactory* factory = nullptr;
    ASSERT_EQ(S_OK, getClassObject(pluginClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_EQ(before + 1, TypeInfoHolders(info.get()));
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(before, TypeInfoHolders(info.get()));
}

TEST_F(ClassObject, FactoryCreatesPluginObjects) {
    co<IClassFactory> factory;
    ASSERT_EQ(S_OK, getClassObject(pluginClass, IID_IUnknown, reinterpret_cast<void**>(factory.Out())));
    co<IClassFactory> asFactory = co<IClassFactory>::From(factory.get());
    EXPECT_EQ(factory.get(), asFactory.get());

    void* out = sentinel;
    EXPECT_EQ(E_INVALIDARG, factory->CreateInstance(nullptr, IID_ITallivantPlugin, nullptr));
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    co<ITallivantPlugin> plugin;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITallivantPlugin, reinterpret_cast<void**>(plugin.Out())));
    EXPECT_EQ(2u, plugin->AddRef());
    EXPECT_EQ(1u, plugin->Release());
    UINT count = 0;
    EXPECT_EQ(S_OK, plugin->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
}

TEST_F(ClassObject, FactoryCreatesControlPluginObjects) {
    const CLSID controlClass = {0xB3E1D7A9, 0x2C46, 0x4F0B, {0x8D, 0x73, 0xE9, 0x2A, 0x5C, 0x1F, 0x6D, 0x38}};
    co<IClassFactory> factory;
    ASSERT_EQ(S_OK, getClassObject(controlClass, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())));
    void* out = sentinel;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_ITallivantPlugin, &out));
    EXPECT_EQ(nullptr, out);
    co<ITallivantControlPlugin> plugin;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_ITallivantControlPlugin,
                                            reinterpret_cast<void**>(plugin.Out())));
    // No control panel to add a page to: refused, not called through.
    EXPECT_EQ(E_POINTER, plugin->Initialize(nullptr));
}

namespace {

// Runs module_child on the module copy beside a host library without type
// information; gives its output. Waits at most a minute.
std::string RunChild(const std::string& module) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return "no pipe";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    std::string line = "module_child.exe \"" + module + "\"";
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    CloseHandle(write);
    std::string output;
    if (started) {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
        WaitForSingleObject(child.hProcess, 60000);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    } else {
        output = "not started";
    }
    CloseHandle(read);
    return output;
}

}  // namespace

TEST(ClassObjectFailure, ShowsTheModulePathAndReasonAndGivesFail) {
    std::string module = ExeFolder() + "broken\\aRvik.dll";
    std::string output = RunChild(module);

    const std::string box = "box|0|module_child.exe|Ошибка загрузки модуля \"" + module + "\": ";
    ASSERT_EQ(box, output.substr(0, box.size())) << output;
    size_t end = output.find('\n');
    EXPECT_GT(end, box.size());  // the reason follows
    EXPECT_EQ("result|0x80004005\n", output.substr(end + 1)) << output;
}
