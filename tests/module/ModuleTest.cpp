#include "ModuleTest.h"

#include "common/ComEnvironment.h"

void ModuleTest::SetUp() {
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

static ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);
