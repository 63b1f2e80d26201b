#include <shlobj.h>

#include <SaveFile.h>
#include <fwbase/FilePort.h>

#include "Commands/CommandsTest.h"

namespace {

struct FileTest : CommandTest {
    // Writes text into name; the text must be consumed.
    void Write(const std::string& name, const std::string& text) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileText", text);
        ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
        EXPECT_TRUE(session->Has(L"aRvik.FileText"));
        EXPECT_EQ("", Get(L"aRvik.FileText"));
    }
    // Runs a write that must fail with reason; the text stays.
    void Fails(const std::string& name, const std::wstring& reason) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileText", "kept");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileWrite", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(L"Kelmir Tallivant", record.bstrSource);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription);
        EXPECT_EQ("kept", Get(L"aRvik.FileText"));
    }
};

std::string AppData() {
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_APPDATA, FALSE);
    return path;
}

}  // namespace

TEST_F(FileTest, EnvironmentReferencesAreExpandedAndTheBytesWrittenExactly) {
    SetEnvironmentVariableA("ARVIK_SCRATCH", scratch.folder.c_str());
    std::string text = "строка 1\r\nline 2\n\x01\xff";
    Write("%ARVIK_SCRATCH%new\\a.txt", text);
    SetEnvironmentVariableA("ARVIK_SCRATCH", nullptr);
    std::string full = scratch + "new\\a.txt";
    EXPECT_EQ(full, Get(L"aRvik.FileName"));
    EXPECT_EQ(text, ReadWhole(full));  // no terminator, no byte-order mark

    Write(full, "short");
    EXPECT_EQ("short", ReadWhole(full));
    Write(full, "");
    EXPECT_EQ("", ReadWhole(full));
    EXPECT_TRUE(Exists(full));
}

TEST_F(FileTest, RelativeNamesGoBelowTheDataFolder) {
    std::string data = AppData() + "\\Kelmir\\Tallivant\\";
    bool dataExisted = Exists(data);
    std::string relative = "arvik_commands_test\\logs\\a.txt";
    Write(relative, "relative");
    EXPECT_EQ(data + relative, Get(L"aRvik.FileName"));
    EXPECT_EQ("relative", ReadWhole(data + relative));
    RemoveTree(data + "arvik_commands_test");
    if (!dataExisted) {
        RemoveDirectoryA((AppData() + "\\Kelmir\\Tallivant").c_str());
        RemoveDirectoryA((AppData() + "\\Kelmir").c_str());
    }
}

// The name given back is the one the file system holds.
TEST_F(FileTest, TheNameGivenBackIsTheFullNameOfTheFileWritten) {
    Write(scratch + "a\\..\\.\\b.txt", "dots");
    EXPECT_EQ(scratch + "b.txt", Get(L"aRvik.FileName"));
    EXPECT_EQ("dots", ReadWhole(scratch + "b.txt"));
    Write(scratch + "c.txt. .", "trailing");
    EXPECT_EQ(scratch + "c.txt", Get(L"aRvik.FileName"));
    EXPECT_EQ("trailing", ReadWhole(scratch + "c.txt"));
}

TEST_F(FileTest, CyrillicFolderAndFileNamesAreMadeOnDemand) {
    std::string name = scratch + "Папка отчётов\\Ёлка №1.txt";
    Write(name, "текст");
    EXPECT_EQ(name, Get(L"aRvik.FileName"));
    EXPECT_EQ("текст", ReadWhole(name));
}

// Every missing level is made, top down, however many there are; a file
// in the way of one stops the walk with the path's failure.
TEST_F(FileTest, ManyMissingLevelsAreMadeTopDown) {
    std::string deep = scratch + "deep";
    for (int level = 0; level < 40; ++level) deep += "\\l" + std::to_string(level);
    Write(deep + "\\f.txt", "bottom");
    EXPECT_EQ("bottom", ReadWhole(deep + "\\f.txt"));

    std::string blocked = scratch + "deep\\l0\\l1";
    WriteWhole(blocked + "\\stop", "a file");
    std::string below = blocked + "\\stop\\m1\\m2\\f.txt";
    Fails(below, L"Не удалось записать файл (путь не найден): " + Wide(below));
    EXPECT_FALSE(Exists(blocked + "\\stop\\m1"));
}

TEST_F(FileTest, FileOpenElsewhereIsStillWritten) {
    std::string name = scratch + "shared.txt";
    WriteWhole(name, "old content, longer");
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    Write(name, "new");
    char buf[32] = "";
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(other, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ("new", std::string(buf, n));
    CloseHandle(other);
}

TEST_F(FileTest, FailuresNameTheFileAndKeepTheText) {
    std::string blocker = scratch + "plain.txt";
    WriteWhole(blocker, "x");
    std::string below = blocker + "\\sub\\a.txt";
    Fails(below, L"Не удалось записать файл (путь не найден): " + Wide(below));
    EXPECT_EQ(below, Get(L"aRvik.FileName"));

    // A folder is no file to write.
    std::string folder = scratch + "folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    Fails(folder, L"Не удалось записать файл (нет доступа): " + Wide(folder));

    // No name: nothing to create.
    Fails("", L"Не удалось записать файл (путь не найден): ");
}

// The support library's port reports a failed position or write in its own
// words, with the Windows error; the user reads the product's.
TEST(PortFailureTest, ThePortsFailuresAreWordedForTheUser) {
    const char* name = "C:\\нет\\файл.txt";
    FilePort port(nullptr, name);  // no file: every call fails with ERROR_INVALID_HANDLE
    try {
        port.SetPosition(0);
        FAIL() << "no exception";
    } catch (const FilePortError& e) {
        EXPECT_EQ(FilePortError::Seek, e.What());
        EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), e.Error());
        EXPECT_STREQ("FilePort: seek failed (error 6): C:\\нет\\файл.txt", e.Reason());
        ResourceException worded = TAXDK::Standard::PortFailure(e);
        EXPECT_STREQ("Не удалось перейти в файле (ошибка 6): C:\\нет\\файл.txt", worded.Reason());
        EXPECT_STREQ(name, worded.Name().c_str());
    }
    try {
        port.Write("x", 1);
        FAIL() << "no exception";
    } catch (const FilePortError& e) {
        EXPECT_EQ(FilePortError::Write, e.What());
        EXPECT_STREQ("FilePort: write failed (error 6): C:\\нет\\файл.txt", e.Reason());
        EXPECT_STREQ("Не удалось записать файл (ошибка 6): C:\\нет\\файл.txt", TAXDK::Standard::PortFailure(e).Reason());
    }
}
