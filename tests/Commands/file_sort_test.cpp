// aRvik.FileList with aRvik.FileSort: by time and size, ties by name.
#include "Commands/CommandsTest.h"

namespace {

struct FileSortTest : CommandTest {
    // A file of size bytes written at the UTC time of days after 2020-01-01.
    void Make(const char* name, size_t size, int days) {
        WriteWhole(scratch + name, std::string(size, 'x'));
        SYSTEMTIME utc = {2020, 1, 0, 1, 12, 0, 0, 0};
        FILETIME time;
        ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
        ULONGLONG at = (ULONGLONG(time.dwHighDateTime) << 32 | time.dwLowDateTime) + days * 864000000000ull;
        time.dwLowDateTime = static_cast<DWORD>(at);
        time.dwHighDateTime = static_cast<DWORD>(at >> 32);
        HANDLE file = CreateFileA((scratch + name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
    }
    std::string List(const std::string& sort) {
        Set(L"aRvik.FileName", scratch + "*.txt");
        Set(L"aRvik.FileSort", sort);
        Record record;
        EXPECT_EQ(S_OK, Command(L"aRvik.FileList", &record)) << Narrow(record.bstrDescription);
        EXPECT_EQ("4", Get(L"aRvik.Result"));
        return Get(L"aRvik.FileText");
    }
};

}  // namespace

TEST_F(FileSortTest, OrdersByTimeAndSizeTiesByName) {
    Make("Б.txt", 3, 2);
    Make("a.txt", 1, 1);
    Make("В.txt", 3, 3);
    Make("b.txt", 1, 2);
    EXPECT_EQ("a.txt\r\nb.txt\r\nБ.txt\r\nВ.txt", List(""));
    EXPECT_EQ("a.txt\r\nb.txt\r\nБ.txt\r\nВ.txt", List("Name"));
    EXPECT_EQ("В.txt\r\nb.txt\r\nБ.txt\r\na.txt", List("newest"));
    EXPECT_EQ("", Get(L"aRvik.FileSort"));
    EXPECT_EQ("a.txt\r\nb.txt\r\nБ.txt\r\nВ.txt", List("OLDEST"));
    EXPECT_EQ("Б.txt\r\nВ.txt\r\na.txt\r\nb.txt", List("largest"));
    EXPECT_EQ("a.txt\r\nb.txt\r\nБ.txt\r\nВ.txt", List("smallest"));
}

TEST_F(FileSortTest, UnknownOrderRefusedBeforeListing) {
    std::string given = scratch + "нет\\..\\*.txt";
    Set(L"aRvik.FileName", given);
    Set(L"aRvik.FileSort", "size");
    Set(L"aRvik.FileText", "было");
    Record record;
    ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileList", &record));
    EXPECT_EQ("Неизвестный порядок списка: aRvik.FileSort=size (допустимо: name, newest, oldest, largest, smallest)",
              Narrow(record.bstrDescription));
    EXPECT_EQ(given, Get(L"aRvik.FileName"));
    EXPECT_EQ("size", Get(L"aRvik.FileSort"));
    EXPECT_EQ("было", Get(L"aRvik.FileText"));
}
