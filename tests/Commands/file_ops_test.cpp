// aRvik.FileInfo, aRvik.FileDelete, aRvik.FileCopy, aRvik.FileMove and
// aRvik.FileList.
#include <stdio.h>

#include <algorithm>

#include <WidePath.h>
#include <exceptions.h>

#include <Files/FileName.h>
#include <Files/FileTime.h>
#include <Files/FolderListing.h>
#include <Files/NameKinds.h>
#include <Files/NameMask.h>

#include "Commands/CommandsTest.h"

namespace {

struct FileOpsTest : CommandTest {
    // Runs command, which must succeed.
    void Runs(const wchar_t* command) {
        Record record;
        ASSERT_EQ(S_OK, Command(command, &record))
            << Narrow(command) << ": " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
    }
    // Runs command, which must fail with reason and leave the arguments
    // given in names as they were.
    void Fails(const wchar_t* command, const std::string& reason) {
        const wchar_t* names[] = {L"aRvik.FileName", L"aRvik.FileTarget", L"aRvik.FileMode"};
        std::string before[3];
        for (int i = 0; i < 3; ++i) before[i] = Get(names[i]);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record)) << Narrow(command) << ": " << reason;
        EXPECT_EQ(59999, record.wCode);
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(before[i], Get(names[i])) << Narrow(names[i]);
    }
    void Names(const std::string& name, const std::string& target = "", const std::string& mode = "") {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileTarget", target);
        Set(L"aRvik.FileMode", mode);
    }
};

// Sets the file's last write time to the local time given.
void SetLocalWriteTime(const std::string& name, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0}, utc;
    FILETIME time;
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    HANDLE file = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

}  // namespace

TEST_F(FileOpsTest, InfoTellsFileFolderOrNothing) {
    std::string file = scratch + "Отчёт.txt";
    WriteWhole(file, "12345");
    SetLocalWriteTime(file, 2021, 3, 4, 5, 6, 7);
    SetEnvironmentVariableA("ARVIK_SCRATCH", scratch.folder.c_str());
    Names("%ARVIK_SCRATCH%sub\\..\\Отчёт.txt");
    Runs(L"aRvik.FileInfo");
    SetEnvironmentVariableA("ARVIK_SCRATCH", nullptr);
    EXPECT_EQ(file, Get(L"aRvik.FileName"));
    EXPECT_EQ("file", Get(L"aRvik.Result"));
    EXPECT_EQ("5", Get(L"aRvik.FileSize"));
    EXPECT_EQ("2021-03-04 05:06:07", Get(L"aRvik.FileTime"));

    CreateDirectoryA((scratch + "Папка").c_str(), nullptr);
    Names(scratch + "Папка\\");
    Runs(L"aRvik.FileInfo");
    EXPECT_EQ("folder", Get(L"aRvik.Result"));
    EXPECT_EQ("", Get(L"aRvik.FileSize"));
    EXPECT_EQ("", Get(L"aRvik.FileTime"));

    // Nothing there is an answer, not a failure; a missing folder too.
    Set(L"aRvik.Result", "file");
    Names(scratch + "нет\\файла.txt");
    Runs(L"aRvik.FileInfo");
    EXPECT_EQ("", Get(L"aRvik.Result"));
    EXPECT_EQ(scratch + "нет\\файла.txt", Get(L"aRvik.FileName"));

    Names("");
    Fails(L"aRvik.FileInfo", "Не указан файл: aRvik.FileName=");
}

TEST_F(FileOpsTest, InfoGivesSizesPastFourGiB) {
    std::string file = scratch + "large.bin";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    DWORD got = 0;
    DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = (5ll << 30) + 3;
    bool made = SetFilePointerEx(handle, size, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    if (!made) GTEST_SKIP() << "no sparse file of 5 GiB here";
    Names(file);
    Runs(L"aRvik.FileInfo");
    EXPECT_EQ("5368709123", Get(L"aRvik.FileSize"));
}

TEST_F(FileOpsTest, DeleteTakesFilesAndEmptyFolders) {
    std::string file = scratch + "Удалить.txt", folder = scratch + "Пустая";
    WriteWhole(file, "x");
    CreateDirectoryA(folder.c_str(), nullptr);
    Names(file);
    Runs(L"aRvik.FileDelete");
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(file, Get(L"aRvik.FileName"));
    Names(folder);
    Runs(L"aRvik.FileDelete");
    EXPECT_FALSE(Exists(folder));

    Names(file);
    Fails(L"aRvik.FileDelete", "Не удалось удалить файл (файл не найден): " + file);
    std::string full = scratch + "Полная";
    CreateDirectoryA(full.c_str(), nullptr);
    WriteWhole(full + "\\a.txt", "x");
    Names(full);
    Fails(L"aRvik.FileDelete", "Не удалось удалить папку (папка не пуста): " + full);
    WriteWhole(file, "x");
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Names(file);
    Fails(L"aRvik.FileDelete", "Не удалось удалить файл (файл занят): " + file);
    CloseHandle(held);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    Fails(L"aRvik.FileDelete", "Не удалось удалить файл (нет доступа): " + file);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    Names("");
    Fails(L"aRvik.FileDelete", "Не указан файл: aRvik.FileName=");
}

TEST_F(FileOpsTest, CopyRefusesATargetThereUnlessReplacing) {
    std::string source = scratch + "Исходный.txt", target = scratch + "новая\\папка\\Копия.txt";
    WriteWhole(source, "первый");
    Names(source, target);
    Runs(L"aRvik.FileCopy");
    EXPECT_EQ("первый", ReadWhole(target));
    EXPECT_EQ("первый", ReadWhole(source));
    EXPECT_EQ(target, Get(L"aRvik.FileTarget"));

    WriteWhole(source, "второй");
    Names(source, target);
    Fails(L"aRvik.FileCopy", "Не удалось скопировать файл (файл назначения уже есть): " + target);
    EXPECT_EQ("первый", ReadWhole(target));
    Names(source, target, "Replace");
    Runs(L"aRvik.FileCopy");
    EXPECT_EQ("второй", ReadWhole(target));
    EXPECT_EQ("", Get(L"aRvik.FileMode"));

    Names(source, target, "append");
    Fails(L"aRvik.FileCopy", "Неизвестный режим копирования: aRvik.FileMode=append (допустимо: replace)");
    Names(source, scratch + "ИСХОДНЫЙ.txt", "replace");
    Fails(L"aRvik.FileCopy", "Файл назначения совпадает с исходным: aRvik.FileTarget=" + scratch.folder + "ИСХОДНЫЙ.txt");
    Names(scratch + "нет.txt", target);
    Fails(L"aRvik.FileCopy", "Не удалось скопировать файл (файл не найден): " + scratch.folder + "нет.txt");
    Names(scratch + "новая", target);
    Fails(L"aRvik.FileCopy", "Не удалось скопировать файл (это папка): " + scratch.folder + "новая");
    Names(source, "");
    Fails(L"aRvik.FileCopy", "Не указан файл: aRvik.FileTarget=");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    Names(source, target, "replace");
    Fails(L"aRvik.FileCopy", "Не удалось скопировать файл (нет доступа): " + target);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileOpsTest, MoveTakesFilesAndFoldersButNotIntoThemselves) {
    std::string source = scratch + "Файл.txt", target = scratch + "куда\\Файл.txt";
    WriteWhole(source, "данные");
    Names(source, target);
    Runs(L"aRvik.FileMove");
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ("данные", ReadWhole(target));

    WriteWhole(source, "новые");
    Names(source, target);
    Fails(L"aRvik.FileMove", "Не удалось переместить файл (файл назначения уже есть): " + target);
    EXPECT_EQ("новые", ReadWhole(source));
    Names(source, target, "replace");
    Runs(L"aRvik.FileMove");
    EXPECT_EQ("новые", ReadWhole(target));
    EXPECT_FALSE(Exists(source));

    std::string folder = scratch + "куда";
    Names(folder, folder + "\\внутри");
    Fails(L"aRvik.FileMove", "Папку нельзя переместить внутрь неё самой: aRvik.FileTarget=" + folder + "\\внутри");
    Names(folder, scratch + "туда");
    Runs(L"aRvik.FileMove");
    EXPECT_EQ("новые", ReadWhole(scratch + "туда\\Файл.txt"));
    Names(folder, scratch + "опять");
    Fails(L"aRvik.FileMove", "Не удалось переместить файл (файл не найден): " + folder);
    Names(source, target, "keep");
    Fails(L"aRvik.FileMove", "Неизвестный режим перемещения: aRvik.FileMode=keep (допустимо: replace)");
}

TEST_F(FileOpsTest, ListSortsAsThePageAndMarksFolders) {
    for (const char* name : {"b.txt", "Я.txt", "ж.TXT", "A.txt", "c.log"}) WriteWhole(scratch + name, "");
    CreateDirectoryA((scratch + "Папка").c_str(), nullptr);
    CreateDirectoryA((scratch + "d.txt").c_str(), nullptr);
    std::string folder = scratch.folder.substr(0, scratch.folder.size() - 1);
    Set(L"aRvik.FileText", "old");
    Names(folder);
    Runs(L"aRvik.FileList");
    EXPECT_EQ("A.txt\r\nb.txt\r\nc.log\r\nd.txt\\\r\nж.TXT\r\nПапка\\\r\nЯ.txt", Get(L"aRvik.FileText"));
    EXPECT_EQ("7", Get(L"aRvik.Result"));
    EXPECT_EQ(folder, Get(L"aRvik.FileName"));

    Names(scratch + "*.txt");
    Runs(L"aRvik.FileList");
    EXPECT_EQ("A.txt\r\nb.txt\r\nd.txt\\\r\nж.TXT\r\nЯ.txt", Get(L"aRvik.FileText"));
    EXPECT_EQ("5", Get(L"aRvik.Result"));
    Names(scratch + "*.none");
    Runs(L"aRvik.FileList");
    EXPECT_EQ("", Get(L"aRvik.FileText"));
    EXPECT_EQ("0", Get(L"aRvik.Result"));

    // Marks, blanks and digits in the very order lstrcmpiW gives.
    std::string marks = scratch + "marks";
    CreateDirectoryA(marks.c_str(), nullptr);
    std::vector<std::string> names = {"a-b", "ab", "a b", "a_b", "a'b", "A1", "a10", "a2", "ёж", "ещё", "~x", "B"};
    for (const std::string& name : names) WriteWhole(marks + "\\" + name, "");
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return lstrcmpiW(Wide(a).c_str(), Wide(b).c_str()) < 0; });
    std::string sorted;
    for (const std::string& name : names) sorted += (sorted.empty() ? "" : "\r\n") + name;
    Names(marks);
    Runs(L"aRvik.FileList");
    EXPECT_EQ(sorted, Get(L"aRvik.FileText"));

    Set(L"aRvik.FileText", "old");
    Names(scratch + "*\\a.txt");
    Fails(L"aRvik.FileList", "Маска допустима только в последней части имени: aRvik.FileName=" + scratch.folder + "*\\a.txt");
    Names(scratch + "нет");
    Fails(L"aRvik.FileList", "Не удалось прочитать папку (папка не найдена): " + scratch.folder + "нет");
    Names(scratch + "b.txt");
    Fails(L"aRvik.FileList", "Не удалось прочитать папку (это файл): " + scratch.folder + "b.txt");
    EXPECT_EQ("old", Get(L"aRvik.FileText"));
}

TEST_F(FileOpsTest, ListTakesAThousandNamesAndCutsAsOutputIsCut) {
    std::string folder = scratch + "many";
    CreateDirectoryA(folder.c_str(), nullptr);
    char name[32];
    // Made in reverse; more would take long under Wine (the bench lists 10,000).
    for (int i = 0; i < 1000; ++i) {
        snprintf(name, sizeof name, "\\f%05d.dat", 999 - i);
        HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
    }
    Names(folder);
    Runs(L"aRvik.FileList");
    EXPECT_EQ("1000", Get(L"aRvik.Result"));
    std::wstring text = session->Value(L"aRvik.FileText");
    ASSERT_EQ(1000u * 12 - 2, text.size());
    EXPECT_EQ(L"f00000.dat\r\nf00001.dat\r\n", text.substr(0, 24));
    EXPECT_EQ(L"\r\nf00999.dat", text.substr(text.size() - 12));

    // The cut keeps whole names: 2 of 10 characters and a line break fit in 25.
    FolderListing listing(Wide(folder).c_str(), L"f0000*.dat");
    CoString cut;
    listing.Text(25, cut);
    EXPECT_STREQ(L"[118 байт]\r\nf00000.dat\r\nf00001.dat\r\n...", cut.get());
    listing.Text(118, cut);
    EXPECT_EQ(118u, SysStringLen(cut.get()));
}

TEST_F(FileOpsTest, NamesPastMaxPathWork) {
    std::string part(100, 'д'), source = scratch + "a.txt";
    std::string folder = scratch.folder + part + "\\" + part + "\\" + part;
    WriteWhole(source, "abc");
    Names(source, folder + "\\b.txt");
    Runs(L"aRvik.FileCopy");
    Names(folder + "\\b.txt");
    Runs(L"aRvik.FileInfo");
    EXPECT_EQ("3", Get(L"aRvik.FileSize"));
    Names(folder);
    Runs(L"aRvik.FileList");
    EXPECT_EQ("b.txt", Get(L"aRvik.FileText"));
    // Deleted here: the scratch folder's removal takes plain names.
    for (std::string name : {folder + "\\b.txt", folder, scratch.folder + part + "\\" + part, scratch.folder + part}) {
        Names(name);
        Runs(L"aRvik.FileDelete");
    }
}

// A name longer than any system call takes is not handed to the system,
// which could take a part of it for the whole.
TEST_F(FileOpsTest, NamesPastWhatTheSystemTakesFailAsTooLong) {
    std::string huge = scratch.folder;
    while (huge.size() <= 32767) huge += std::string(200, 'x') + "\\";
    huge += "a.txt";
    WriteWhole(scratch + "a.txt", "abc");
    Names(huge);
    Fails(L"aRvik.FileInfo", "Не удалось узнать сведения о файле (ошибка 206): " + huge);
    Fails(L"aRvik.FileDelete", "Не удалось удалить файл (ошибка 206): " + huge);
    Fails(L"aRvik.FileRead", "Не удалось прочитать файл (ошибка 206): " + huge);
    Names(scratch + "a.txt", huge);
    Fails(L"aRvik.FileCopy", "Не удалось скопировать файл (ошибка 206): " + huge);
    Names(huge, scratch + "b.txt");
    Fails(L"aRvik.FileMove", "Не удалось переместить файл (ошибка 206): " + huge);
    EXPECT_EQ("abc", ReadWhole(scratch + "a.txt"));
    EXPECT_FALSE(Exists(scratch + "b.txt"));
}

TEST_F(FileOpsTest, NamesTheAnsiCodePageLacksWork) {
    std::wstring folder = Wide(scratch.folder) + L"\u03a9\u4e2d", file = folder + L"\\\u00df\u03c9.txt";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    CloseHandle(handle);
    session->Set(L"aRvik.FileName", folder.c_str());
    Runs(L"aRvik.FileList");
    EXPECT_EQ(std::wstring(L"\u00df\u03c9.txt"), session->Value(L"aRvik.FileText"));
    session->Set(L"aRvik.FileName", file.c_str());
    session->Set(L"aRvik.FileTarget", (folder + L"\\\u4e2d.txt").c_str());
    Set(L"aRvik.FileMode", "");
    Runs(L"aRvik.FileMove");
    session->Set(L"aRvik.FileName", (folder + L"\\\u4e2d.txt").c_str());
    Runs(L"aRvik.FileInfo");
    EXPECT_EQ("file", Get(L"aRvik.Result"));
    EXPECT_EQ(folder + L"\\\u4e2d.txt", std::wstring(session->Value(L"aRvik.FileName")));
    // Deleted here: the scratch folder's removal takes ANSI names.
    Runs(L"aRvik.FileDelete");
    session->Set(L"aRvik.FileName", folder.c_str());
    Runs(L"aRvik.FileDelete");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()));
}

// The system's own match would take short names too: "*.csv" found
// "data.csvx" (DATA~1.CSV). The mask is matched here, and written back as
// given after the folder's full name.
TEST_F(FileOpsTest, ListMatchesLongNamesOnlyAndKeepsTheMaskAsWritten) {
    for (const char* name : {"data.csv", "data.csvx", "other.CSV", "noext", "a.txt", "b.TXT", "abc", "ac", "abbc"})
        WriteWhole(scratch + name, "");
    CreateDirectoryA((scratch + "Папка").c_str(), nullptr);
    CreateDirectoryA((scratch + "d.txt").c_str(), nullptr);
    const struct {
        std::string given, back, text;
    } cases[] = {
        {scratch + "*.csv", scratch + "*.csv", "data.csv\r\nother.CSV"},
        {scratch + "sub\\..\\*.", scratch + "*.", "abbc\r\nabc\r\nac\r\nnoext\r\nПапка\\"},
        {scratch + "*.txt.", scratch + "*.txt.", "a.txt\r\nb.TXT\r\nd.txt\\"},
        {scratch + "*.txt ", scratch + "*.txt ", "a.txt\r\nb.TXT\r\nd.txt\\"},
        {scratch + "a?c", scratch + "a?c", "abc"},
        {scratch + "A*C", scratch + "A*C", "abbc\r\nabc\r\nac"},
    };
    for (const auto& c : cases) {
        Names(c.given);
        Runs(L"aRvik.FileList");
        EXPECT_EQ(c.text, Get(L"aRvik.FileText")) << c.given;
        EXPECT_EQ(c.back, Get(L"aRvik.FileName")) << c.given;
    }
    // A relative name: its folder below the data folder, resolved.
    char data[MAX_PATH] = "";
    ExpandEnvironmentStringsA("%APPDATA%\\Kelmir\\Tallivant\\arvik_ops_none", data, MAX_PATH);
    Names("arvik_ops_none\\*.");
    Record record;
    ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileList", &record));
    EXPECT_EQ(std::string("Не удалось прочитать папку (папка не найдена): ") + data, Narrow(record.bstrDescription));
    EXPECT_EQ(std::string(data) + "\\*.", Get(L"aRvik.FileName"));
}

TEST(NameMaskTest, StarsMarksAndTrailingDots) {
    const struct {
        const wchar_t *mask, *name;
        bool matches;
    } cases[] = {
        {L"*.csv", L"data.csv", true},    {L"*.csv", L"data.csvx", false}, {L"*.CSV", L"Data.csv", true},
        {L"a?c", L"abc", true},           {L"a?c", L"ac", false},          {L"a?c", L"abbc", false},
        {L"*.", L"noext", true},          {L"*.", L"a.txt", false},        {L"*.", L".profile", false},
        {L"a*.", L"abc", true},           {L"a*.", L"bcd", false},         {L"a*.", L"a.b", false},
        {L"*.txt.", L"a.txt", true},      {L"*.txt ", L"a.TXT", true},     {L"*.txt. .", L"a.txt", true},
        {L"*.txt.", L"a.txtx", false},    {L"*.*.", L"a.b.c", true},       {L"*.*.", L"abc", false},
        {L"*.*", L"a.b", true},           {L"*.*", L"noext", false},       {L"ё*", L"Ёлка", true},
        {L"?", L"\U0001F600", true},      {L"??", L"\U0001F600", false},   {L"*a*b", L"xaxxb", true},
        {L"*a*b", L"xaxxbc", false},      {L"*ab*ab", L"aabab", true},     {L"*ab*ab", L"abab", true},
        {L"ß*", L"SS", false},            {L"**", L"", true},              {L"?*", L"", false},
    };
    for (const auto& c : cases) {
        NameMask mask(c.mask);
        EXPECT_EQ(c.matches, mask.Matches(c.name, wcslen(c.name))) << Narrow(c.mask) << " " << Narrow(c.name);
    }
    EXPECT_TRUE(NameMask(L"*").All());
    EXPECT_TRUE(NameMask(L"**").All());
    EXPECT_FALSE(NameMask(L"*.").All());
    EXPECT_FALSE(NameMask(L"*.*").All());
}

TEST(NameKindsTest, DevicesAndStreamsByTheirNames) {
    const char* device = "это устройство";
    const char* stream = "имя с потоком";
    const struct {
        const wchar_t* name;
        const char* reason;
    } cases[] = {
        {L"C:\\x\\aux", device},
        {L"C:\\x\\AUX.txt", device},
        {L"C:\\x\\aux .txt", device},
        {L"C:\\x\\nul:x", device},
        {L"C:\\x\\Con", device},
        {L"C:\\x\\prn.log", device},
        {L"C:\\x\\CONIN$", device},
        {L"C:\\x\\conout$.txt", device},
        {L"C:\\x\\com1", device},
        {L"C:\\x\\LPT9.dat", device},
        {L"C:\\x\\com\u00b9", device},
        {L"C:\\x\\lpt\u00b3.txt", device},
        {L"\\\\.\\C:\\x.txt", device},
        {L"//./nul", device},
        {L"\\\\.\\pipe\\x", device},
        {L"\\\\?\\GLOBALROOT\\Device\\Null", device},
        {L"\\\\?\\C:", device},
        {L"\\\\?\\Volume{1234}", device},
        {L"\\\\?\\COM1", device},
        {L"\\\\?\\C:\\x\\nul", device},
        {L"\\??\\pipe\\x", device},
        {L"\\\\server\\pipe\\x", device},
        {L"//localhost/PIPE/x", device},
        {L"\\\\server\\MailSlot\\x", device},
        {L"\\\\?\\UNC\\server\\pipe\\x", device},
        {L"\\\\server\\pipes\\x", nullptr},
        {L"\\\\pipe\\share\\x", nullptr},
        {L"C:\\x\\auxx", nullptr},
        {L"C:\\x\\com0", nullptr},
        {L"C:\\x\\com10", nullptr},
        {L"C:\\x\\lpt", nullptr},
        {L"C:\\x\\ aux", nullptr},
        {L"C:\\aux\\x.txt", nullptr},
        {L"\\\\?\\C:\\x.txt", nullptr},
        {L"\\\\?\\UNC\\server\\share\\x.txt", nullptr},
        {L"\\\\?\\Volume{1234}\\x.txt", nullptr},
        {L"\\\\server\\share\\x.txt", nullptr},
        {L"C:\\x\\s.txt::$DATA", stream},
        {L"C:\\x\\s.txt:alt", stream},
        {L"C:\\x:y\\s.txt", stream},
        {L"\\\\?\\C:\\x\\s.txt:alt", stream},
        {L"\\\\server\\share\\a:b", stream},
        {L"C:\\x\\s.txt", nullptr},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.reason, RefusedNameReason(c.name)) << Narrow(c.name);
    EXPECT_STREQ(device, RefusedNameReason("C:\\x\\aux.txt"));
    EXPECT_STREQ(stream, RefusedNameReason("C:\\x\\s.txt:alt"));
    EXPECT_STREQ(nullptr, RefusedNameReason("C:\\x\\s.txt"));
}

// A device or a stream is refused by every file command before anything is
// done, and no argument changes: no name is written back.
TEST_F(FileOpsTest, DevicesAndStreamsAreRefusedBeforeAnythingIsDone) {
    std::string file = scratch + "s.txt";
    WriteWhole(file, "данные");
    const struct {
        const wchar_t* command;
        std::string name, target, reason;
    } cases[] = {
        {L"aRvik.FileInfo", "fz\\aux", "", "Не удалось узнать сведения о файле (это устройство): aRvik.FileName=fz\\aux"},
        {L"aRvik.FileDelete", scratch + "nul.txt", "",
         "Не удалось удалить файл (это устройство): aRvik.FileName=" + scratch.folder + "nul.txt"},
        {L"aRvik.FileCopy", file, scratch + "COM1",
         "Не удалось скопировать файл (это устройство): aRvik.FileTarget=" + scratch.folder + "COM1"},
        {L"aRvik.FileCopy", "\\\\.\\nul", scratch + "t.txt",
         "Не удалось скопировать файл (это устройство): aRvik.FileName=\\\\.\\nul"},
        {L"aRvik.FileMove", "\\\\.\\COM1", scratch + "t.txt",
         "Не удалось переместить файл (это устройство): aRvik.FileName=\\\\.\\COM1"},
        {L"aRvik.FileMove", file, "fz\\conout$ .txt",
         "Не удалось переместить файл (это устройство): aRvik.FileTarget=fz\\conout$ .txt"},
        {L"aRvik.FileList", scratch + "aux\\*.txt", "",
         "Не удалось прочитать папку (это устройство): aRvik.FileName=" + scratch.folder + "aux\\*.txt"},
        {L"aRvik.FileList", "\\\\.\\pipe", "", "Не удалось прочитать папку (это устройство): aRvik.FileName=\\\\.\\pipe"},
        {L"aRvik.FileCopy", file, file + "::$DATA",
         "Не удалось скопировать файл (имя с потоком): aRvik.FileTarget=" + file + "::$DATA"},
        {L"aRvik.FileMove", file + ":alt", scratch + "t.txt",
         "Не удалось переместить файл (имя с потоком): aRvik.FileName=" + file + ":alt"},
        {L"aRvik.FileDelete", file + ":alt", "", "Не удалось удалить файл (имя с потоком): aRvik.FileName=" + file + ":alt"},
        {L"aRvik.FileInfo", file + "::$DATA", "",
         "Не удалось узнать сведения о файле (имя с потоком): aRvik.FileName=" + file + "::$DATA"},
        {L"aRvik.FileList", scratch + "*.txt:alt", "",
         "Не удалось прочитать папку (имя с потоком): aRvik.FileName=" + scratch.folder + "*.txt:alt"},
    };
    for (const auto& c : cases) {
        Names(c.name, c.target);
        Fails(c.command, c.reason);
    }
    // A name the ANSI code page lacks is shown with "?" for what it lacks.
    session->Set(L"aRvik.FileName", (Wide(scratch.folder) + L"lpt\u00b2.txt").c_str());
    Fails(L"aRvik.FileInfo", "Не удалось узнать сведения о файле (это устройство): aRvik.FileName=" + scratch.folder + "lpt?.txt");
    EXPECT_EQ("данные", ReadWhole(file));
    EXPECT_FALSE(Exists(scratch + "t.txt"));
}

TEST_F(FileOpsTest, TheSameFileIsRecognisedWhateverItsSpelling) {
    std::string folder = scratch + "same", file = folder + "\\s.txt", spelt = "\\\\?\\" + file;
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteWhole(file, "данные");
    const std::string same = "Файл назначения совпадает с исходным: aRvik.FileTarget=";
    Names(file, spelt, "replace");
    Fails(L"aRvik.FileMove", same + spelt);
    Names(file, spelt);
    Fails(L"aRvik.FileCopy", same + spelt);
    Names(spelt, scratch + "SAME\\S.TXT", "replace");
    Fails(L"aRvik.FileCopy", same + scratch.folder + "SAME\\S.TXT");
    EXPECT_EQ("данные", ReadWhole(file));

    // A folder into itself, or onto itself, through "\\?\": the folders of
    // the target that are there are the folder's own.
    const std::string inside = "Папку нельзя переместить внутрь неё самой: aRvik.FileTarget=";
    Names(folder, "\\\\?\\" + folder + "\\inner");
    Fails(L"aRvik.FileMove", inside + "\\\\?\\" + folder + "\\inner");
    Names(folder, "\\\\?\\" + folder + "\\new\\deeper");
    Fails(L"aRvik.FileMove", inside + "\\\\?\\" + folder + "\\new\\deeper");
    Names(scratch + "SAME", "\\\\?\\" + folder);
    Fails(L"aRvik.FileMove", same + "\\\\?\\" + folder);
    EXPECT_FALSE(Exists(folder + "\\new"));
    EXPECT_EQ("данные", ReadWhole(file));

    // Another file by the same spelling is copied and moved as ever.
    Names(file, "\\\\?\\" + folder + "\\copy.txt");
    Runs(L"aRvik.FileCopy");
    EXPECT_EQ("данные", ReadWhole(folder + "\\copy.txt"));
    Names(folder, "\\\\?\\" + scratch.folder + "moved");
    Runs(L"aRvik.FileMove");
    EXPECT_EQ("данные", ReadWhole(scratch + "moved\\s.txt"));

    // A second name of the file (a hard link) is the file too.
    std::string link = scratch + "link.txt";
    if (!CreateHardLinkA(link.c_str(), (scratch + "moved\\s.txt").c_str(), nullptr)) return;
    Names(scratch + "moved\\s.txt", link, "replace");
    Fails(L"aRvik.FileMove", same + link);
    EXPECT_EQ("данные", ReadWhole(link));
}

// The time-zone rules of the moment's own year: Moscow was UTC+4 in 2012,
// UTC+3 since 2014 (Wine's "Dynamic DST" data says so for this key).
TEST(FileTimeTest, TheRulesOfTheMomentsYearWhereTheSystemKnowsThem) {
    DYNAMIC_TIME_ZONE_INFORMATION zone = {};
    wcscpy(zone.TimeZoneKeyName, L"Russian Standard Time");
    SYSTEMTIME utc = {2012, 7, 0, 1, 12, 0, 0, 0}, local = {}, current = {};
    ASSERT_TRUE(ZoneLocalTime(zone, utc, local));
    EXPECT_EQ(2012, local.wYear);
    EXPECT_EQ(7, local.wMonth);
    EXPECT_EQ(1, local.wDay);
    EXPECT_EQ(16, local.wHour);
    EXPECT_EQ(0, local.wMinute);
    utc.wYear = 2021;
    ASSERT_TRUE(ZoneLocalTime(zone, utc, local));
    EXPECT_EQ(15, local.wHour);

    // No rules for the zone, or its daylight saving switched off: the
    // current rules, as the system converts with them.
    utc.wYear = 2012;
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &current));
    wcscpy(zone.TimeZoneKeyName, L"No Such Zone");
    ASSERT_TRUE(ZoneLocalTime(zone, utc, local));
    EXPECT_EQ(current.wHour, local.wHour);
    wcscpy(zone.TimeZoneKeyName, L"Russian Standard Time");
    zone.DynamicDaylightTimeDisabled = TRUE;
    ASSERT_TRUE(ZoneLocalTime(zone, utc, local));
    EXPECT_EQ(current.wHour, local.wHour);
}

// The wide forms of the path functions, rule for rule as the narrow ones.
TEST(WidePathTest, TheNarrowRulesForWideNames) {
    using namespace TAXDK::Standard;
    for (const wchar_t* path : {L"C:\\x", L"c:/x", L"\\\\server\\share", L"\\x", L"\u0416:\\x\\\u03a9"})
        EXPECT_EQ(path[0] != 0x0416, IsAbsolutePath(path)) << Narrow(path);
    for (const wchar_t* path : {L"logs\\a.txt", L"C:a.txt", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(IsAbsolutePath(path));

    ASSERT_TRUE(SetEnvironmentVariableW(L"ARVIK_WIDE", L"\u03a9\u4e2d"));
    EXPECT_STREQ(L"a\u03a9\u4e2db%ARVIK_UNSET%c%%d%", ExpEnv(L"a%ARVIK_WIDE%b%ARVIK_UNSET%c%%d%").c_str());
    std::wstring longValue(5000, L'\u044f');
    ASSERT_TRUE(SetEnvironmentVariableW(L"ARVIK_WIDE", longValue.c_str()));
    EXPECT_TRUE(L"<" + longValue + L">" == ExpEnv(L"<%ARVIK_WIDE%>").c_str());
    SetEnvironmentVariableW(L"ARVIK_WIDE", nullptr);
    EXPECT_STREQ(L"", ExpEnv(nullptr).c_str());

    EXPECT_STREQ(L"C:\\a\\c.txt", FullPath(L"C:\\a\\.\\b\\..\\c.txt. ").c_str());
    std::wstring deep = L"C:\\" + std::wstring(200, L'\u03a9') + L"\\" + std::wstring(200, L'x');
    EXPECT_EQ(deep, std::wstring(FullPath((deep + L"\\y\\..").c_str()).c_str()));
    EXPECT_STREQ(L"\u0451\u0416 ", AnsiWide("\xB8\xC6 ").c_str());
}

// FileName: the name every file command takes, resolved, in the forms the
// system and the texts take.
TEST(FileNameTest, ResolvedCheckedAndShown) {
    EXPECT_TRUE(FileName::Resolved(L"").Empty());
    EXPECT_TRUE(FileName::Checked(nullptr, "aRvik.FileName", "записать файл").Empty());
    wchar_t data[MAX_PATH];
    ExpandEnvironmentStringsW(L"%APPDATA%\\Kelmir\\Tallivant\\n\\\u03a9.txt", data, MAX_PATH);
    EXPECT_STREQ(data, FileName::Resolved(L"n\\x\\..\\\u03a9.txt").Full());
    try {
        FileName::Checked(L"fz\\aux .log", "aRvik.FileName", "записать файл");
        ADD_FAILURE() << "a device was taken";
    } catch (const FileException& e) {
        EXPECT_EQ("Не удалось записать файл (это устройство): aRvik.FileName=fz\\aux .log", std::string(e.Reason()));
    }
    std::wstring deep = L"C:\\" + std::wstring(300, L'\u0434');
    FileName longName(deep.c_str());
    EXPECT_EQ(L"\\\\?\\" + deep, std::wstring(longName.System()));
    EXPECT_TRUE(longName.PartTooLong());
    EXPECT_FALSE(longName.TooLong());
    std::wstring huge = L"C:";
    while (huge.size() <= 32767) huge += L"\\" + std::wstring(200, L'x');
    EXPECT_TRUE(FileName(huge.c_str()).TooLong());
    EXPECT_FALSE(FileName(huge.c_str()).PartTooLong());
    EXPECT_EQ("C:\\" + std::string(300, '\xE4'), std::string(longName.Shown().c_str()));
    std::wstring shared = L"\\\\s\\" + std::wstring(250, L'x') + L"\\a\tb";
    FileName share(shared.c_str());
    EXPECT_EQ(L"\\\\?\\UNC\\s\\" + std::wstring(250, L'x') + L"\\a\tb", std::wstring(share.System()));
    EXPECT_FALSE(share.PartTooLong());
    EXPECT_EQ("\\\\s\\" + std::string(250, 'x') + "\\a?b", std::string(share.Shown().c_str()));
}
