#include "CommandsTest.h"

#include "common/ComEnvironment.h"

static ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

void WriteWhole(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
    DWORD n = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(file);
}
