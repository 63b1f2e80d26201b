#include "CommandsTest.h"

#include <stdio.h>
#include <wchar.h>

#include "common/ComEnvironment.h"

static ::testing::Environment* const com = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

bool WineStartFailed(const EXCEPINFO& record) {
    static const wchar_t failure[] = L"Windows system call error 1359 (0000054F) at \"Plugin/SessionExtender\":246";
    if (!record.bstrDescription || wcscmp(record.bstrDescription, failure)) return false;
    printf("Wine failed a program's start (error 1359): the command runs once more\n");
    fflush(stdout);
    return true;
}

void WriteWhole(const std::string& name, const std::string& bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
    DWORD n = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(file);
}
