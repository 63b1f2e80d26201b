#include "ModuleTest.h"

std::vector<ShownMessage>& ShownMessages() {
    static std::vector<ShownMessage> shown;
    return shown;
}

extern "C" __declspec(dllexport) int __stdcall KelmirMessageHandler(const MessageRequest& request) {
    ShownMessages().push_back({request.kind, request.text ? request.text : "", request.caption, request.style,
                               request.owner});
    return IDOK;
}

void ModuleTest::SetUp() {
    ShownMessages().clear();
    module = LoadLibraryA("aRvik.dll");
    ASSERT_NE(nullptr, module) << GetLastError();
    getClassObject = reinterpret_cast<GetClassObjectEntry>(GetProcAddress(module, "DllGetClassObject"));
    install = reinterpret_cast<InstallEntry>(GetProcAddress(module, "TallivantPlugin_InstallInit"));
    ASSERT_NE(nullptr, getClassObject);
    ASSERT_NE(nullptr, install);
}

void ModuleTest::TearDown() {
    if (module) FreeLibrary(module);
}

std::string ModuleTest::ModulePath() const {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

namespace {
struct Com : ::testing::Environment {
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};
::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new Com);
}  // namespace
