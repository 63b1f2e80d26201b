// RemoveOldLogs on files made for the purpose: which dates go, which names
// are never touched, and the patterns that remove nothing.
#include <Log/OldLogs.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Commands/CommandsTest.h"

namespace {

SYSTEMTIME Day(WORD year, WORD month, WORD day) {
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    return date;
}

// The names in folder, sorted; a folder's with a closing backslash.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        names.push_back(name + (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

struct OldLogsTest : ::testing::Test {
    Scratch scratch{"arvik_old_logs"};

    void Make(const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            if (name.back() == '\\')
                ASSERT_TRUE(CreateDirectoryA((scratch + name.c_str()).c_str(), nullptr)) << name;
            else
                WriteWhole(scratch + name.c_str(), "x");
        }
    }
    void Remove(const char* pattern, DWORD keepDays, const SYSTEMTIME& today) {
        RemoveOldLogs((scratch + pattern).c_str(), keepDays, today);
    }
};

}  // namespace

// Today and the keepDays - 1 days before it stay; a date keepDays or more
// days ago goes, across month ends, leap days and years.
TEST_F(OldLogsTest, DatesKeepDaysOrMoreDaysAgoGo) {
    const struct {
        SYSTEMTIME today;
        DWORD keepDays;
        const char* stays;
        const char* goes;
    } cases[] = {
        {Day(2026, 12, 8), 7, "2026-12-02", "2026-12-01"}, {Day(2026, 12, 8), 1, "2026-12-08", "2026-12-07"},
        {Day(2026, 12, 8), 1, "2027-01-01", "0001-01-01"}, {Day(2026, 3, 1), 1, "2026-03-01", "2026-02-28"},
        {Day(2024, 3, 1), 2, "2024-02-29", "2024-02-28"},  {Day(2000, 3, 1), 1, "2000-03-01", "2000-02-29"},
        {Day(2027, 1, 1), 365, "2026-01-02", "2026-01-01"}, {Day(2026, 12, 8), 0xFFFFFFFF, "0001-01-01", nullptr},
    };
    for (const auto& c : cases) {
        std::string stays = std::string("L (") + c.stays + ").txt";
        Make({stays});
        if (c.goes) Make({std::string("L (") + c.goes + ").txt"});
        Remove("L *.txt", c.keepDays, c.today);
        EXPECT_EQ(std::vector<std::string>{stays}, Names(scratch.folder)) << c.keepDays << " days, " << c.stays;
        DeleteFileA((scratch + stays.c_str()).c_str());
    }
}

// Only the pattern's name with a real date goes: case is ignored as the
// file system ignores it; folders, other names, subfolders, and files that
// cannot be removed stay.
TEST_F(OldLogsTest, OnlyNamesOfThePatternWithARealDateGo) {
    const std::vector<std::string> stay = {
        "DebugLog (0000-01-01).txt", "DebugLog (1900-02-29).txt", "DebugLog (2025-02-29).txt",
        "DebugLog (2026-00-10).txt", "DebugLog (2026-02-30).txt", "DebugLog (2026-11-00).txt",
        "DebugLog (2026-11-01) .txt", "DebugLog (2026-11-01).log", "DebugLog (2026-11-01).txt.bak",
        "DebugLog (2026-11-0a).txt", "DebugLog (2026-11-31).txt", "DebugLog (2026-13-01).txt",
        "DebugLog (2026-1-01).txt", "DebugLog (2026_11_01).txt", "DebugLog (2026-11-01)x.txt",
        "DebugLog 2026-11-01.txt", "DebugLog [2026-11-01].txt", "DebugLog(2026-11-01).txt",
        "DebugLog (2026-11-02).txt\\", "sub\\", "xDebugLog (2026-11-01).txt",
    };
    Make(stay);
    Make({"DebugLog (2026-11-02).txt\\DebugLog (2026-11-03).txt", "sub\\DebugLog (2026-11-01).txt"});
    Make({"DebugLog (2026-12-01).txt", "debuglog (2026-11-30).TXT", "DEBUGLOG (2000-02-29).Txt"});
    std::string readOnly = scratch + "DebugLog (2026-10-01).txt", held = scratch + "DebugLog (2026-10-02).txt";
    WriteWhole(readOnly, "x");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    WriteWhole(held, "x");
    HANDLE open = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, open);

    Remove("DebugLog *.txt", 7, Day(2026, 12, 8));
    CloseHandle(open);
    std::vector<std::string> expected = stay;
    expected.push_back("DebugLog (2026-10-01).txt");
    expected.push_back("DebugLog (2026-10-02).txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, Names(scratch.folder));
    EXPECT_EQ(std::vector<std::string>{"DebugLog (2026-11-03).txt"}, Names(scratch + "DebugLog (2026-11-02).txt\\"));
    EXPECT_EQ(std::vector<std::string>{"DebugLog (2026-11-01).txt"}, Names(scratch + "sub\\"));

    // Letters beyond ASCII are matched without regard to case too.
    Make({"ЖУРНАЛ (2026-12-01).txt"});
    Remove("Журнал *.txt", 7, Day(2026, 12, 8));
    EXPECT_FALSE(Exists(scratch + "ЖУРНАЛ (2026-12-01).txt"));
}

// No "*", a date in a folder's name, a second "*", no days kept, no folder,
// no pattern: nothing goes and nothing fails.
TEST_F(OldLogsTest, PatternsThatRemoveNothing) {
    Make({"all.log", "(2026-01-01)\\", "x(2026-01-01)y.log", "x(2026-01-01)y(2026-01-01).log",
          "L (2026-01-01).txt"});
    Make({"(2026-01-01)\\log.txt"});
    const std::vector<std::string> before = Names(scratch.folder);
    const SYSTEMTIME today = Day(2026, 12, 8);
    Remove("all.log", 1, today);
    Remove("*\\log.txt", 1, today);
    Remove("x*y*.log", 1, today);
    Remove("L *.txt", 0, today);
    Remove("missing\\L *.txt", 1, today);
    RemoveOldLogs("", 1, today);
    RemoveOldLogs(nullptr, 1, today);
    EXPECT_EQ(before, Names(scratch.folder));
    EXPECT_TRUE(Exists(scratch + "(2026-01-01)\\log.txt"));
}

// The system drops a trailing dot or blank from the name of a file it
// makes: the log of "L *.txt. " writes "L (YYYY-MM-DD).txt", and those go.
TEST_F(OldLogsTest, APatternEndingInADotOrBlankMatchesTheNamesTheSystemGave) {
    Make({"L (2026-12-01).txt. ", "M (2026-12-01) .", "L (2026-12-02).txt"});
    EXPECT_EQ((std::vector<std::string>{"L (2026-12-01).txt", "L (2026-12-02).txt", "M (2026-12-01)"}),
              Names(scratch.folder));
    Remove("L *.txt. ", 7, Day(2026, 12, 8));
    Remove("M * .", 7, Day(2026, 12, 8));
    EXPECT_EQ(std::vector<std::string>{"L (2026-12-02).txt"}, Names(scratch.folder));
}
