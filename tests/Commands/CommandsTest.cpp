#include "Commands/CommandsTest.h"

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

std::vector<std::string> Entries(const std::string& content) {
    auto stampAt = [&](size_t i) {
        static const char form[] = "dddd-dd-dd dd:dd:dd.ddd ";
        if (i + sizeof form - 1 > content.size()) return false;
        for (size_t k = 0; k < sizeof form - 1; ++k) {
            char c = content[i + k];
            if (form[k] == 'd' ? !(c >= '0' && c <= '9') : c != form[k]) return false;
        }
        return true;
    };
    std::vector<std::string> entries;
    size_t start = 0;
    while (start < content.size()) {
        EXPECT_TRUE(stampAt(start)) << "no time stamp at " << start;
        size_t next = start + 24;
        while (next < content.size() && !(content[next - 1] == '\n' && stampAt(next))) ++next;
        entries.push_back(content.substr(start + 24, next - start - 24));
        start = next;
    }
    return entries;
}

std::string DaysAgo(int days) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME time;
    SystemTimeToFileTime(&now, &time);
    ULARGE_INTEGER units;
    units.LowPart = time.dwLowDateTime;
    units.HighPart = time.dwHighDateTime;
    units.QuadPart -= days * 864000000000ull;
    time.dwLowDateTime = units.LowPart;
    time.dwHighDateTime = units.HighPart;
    FileTimeToSystemTime(&time, &now);
    char text[32];
    wsprintfA(text, "(%04u-%02u-%02u)", now.wYear, now.wMonth, now.wDay);
    return text;
}

