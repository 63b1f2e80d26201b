// aRvik.FileWrite with aRvik.FileMode and aRvik.FileEncoding.
#include "Commands/CommandsTest.h"

#include <algorithm>
#include <thread>
#include <vector>

#include <Files/FileText.h>
#include <SaveFile.h>

namespace {

// Every character here but the Cyrillic ones lies outside Windows-1251.
const wchar_t kText[] = L"Ωμέγα 日本 ё \U0001F600";
const char kUtf8[] = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xE6\x97\xA5\xE6\x9C\xAC \xD1\x91 \xF0\x9F\x98\x80";

struct FileOptionsTest : CommandTest {
    std::string name = scratch + "out.txt";

    // Writes text with the mode and encoding given; must succeed and leave
    // its arguments empty.
    void Write(const wchar_t* text, const char* mode, const char* encoding) {
        Set(L"aRvik.FileName", name);
        session->Set(L"aRvik.FileText", text);
        Set(L"aRvik.FileMode", mode);
        Set(L"aRvik.FileEncoding", encoding);
        ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
        for (const wchar_t* argument : {L"aRvik.FileText", L"aRvik.FileMode", L"aRvik.FileEncoding"})
            EXPECT_EQ("", Get(argument)) << Narrow(argument);
        EXPECT_EQ(name, Get(L"aRvik.FileName"));
    }
    // Writes with the mode and encoding given; must fail with reason, keep
    // its arguments and leave the file as it was.
    void Fails(const std::string& file, const char* mode, const char* encoding, const std::wstring& reason) {
        std::string before = ReadWhole(file);
        Set(L"aRvik.FileName", file);
        Set(L"aRvik.FileText", "new");
        Set(L"aRvik.FileMode", mode);
        Set(L"aRvik.FileEncoding", encoding);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileWrite", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription) << mode << "|" << encoding;
        EXPECT_EQ("new", Get(L"aRvik.FileText"));
        EXPECT_EQ(mode, Get(L"aRvik.FileMode"));
        EXPECT_EQ(encoding, Get(L"aRvik.FileEncoding"));
        EXPECT_EQ(before, ReadWhole(file));
    }
    static std::string Utf16(const std::wstring& text) {
        return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    }
};

}  // namespace

TEST_F(FileOptionsTest, EncodingsKeepEveryCharacter) {
    Write(kText, "", "UTF-8");
    EXPECT_EQ(kUtf8, ReadWhole(name));
    Write(kText, "", "utf-8 bom");
    EXPECT_EQ(std::string("\xEF\xBB\xBF") + kUtf8, ReadWhole(name));
    Write(kText, "replace", "UTF-16");
    EXPECT_EQ("\xFF\xFE" + Utf16(kText), ReadWhole(name));
    // Without an encoding: the ANSI code page, as ever.
    Write(L"Ωμέγα ё", "", "");
    EXPECT_EQ("????? ё", ReadWhole(name));
}

TEST_F(FileOptionsTest, AppendAddsAtTheEndMakesTheFileAndWritesOneMark) {
    name = scratch + "new folder\\log.txt";
    Write(L"первая ", "append", "");
    Write(L"вторая", "APPEND", "");
    EXPECT_EQ("первая вторая", ReadWhole(name));

    for (const char* encoding : {"UTF-16", "UTF-8 BOM"}) {
        bool utf16 = encoding[4] == '1';
        std::string mark = utf16 ? "\xFF\xFE" : "\xEF\xBB\xBF";
        DeleteFileA(name.c_str());
        Write(kText, "append", encoding);
        Write(L"+ещё", "Append", encoding);
        std::string text = utf16 ? Utf16(kText) + Utf16(L"+ещё") : std::string(kUtf8) + "+\xD0\xB5\xD1\x89\xD1\x91";
        EXPECT_EQ(mark + text, ReadWhole(name)) << encoding;
        // An existing empty file gets its mark.
        WriteWhole(name, "");
        Write(L"x", "append", encoding);
        EXPECT_EQ(mark + (utf16 ? Utf16(L"x") : "x"), ReadWhole(name)) << encoding;
    }
}

TEST_F(FileOptionsTest, UnknownModesAndEncodingsFailAndTouchNothing) {
    WriteWhole(name, "old");
    const struct {
        const char *mode, *encoding;
        const wchar_t* reason;
    } cases[] = {
        {"add", "", L"Неизвестный режим записи: aRvik.FileMode=add (допустимо: append, replace)"},
        {"", "UTF-32", L"Неизвестная кодировка: aRvik.FileEncoding=UTF-32 (допустимо: UTF-8, UTF-8 BOM, UTF-16)"},
        {"append", "utf8", L"Неизвестная кодировка: aRvik.FileEncoding=utf8 (допустимо: UTF-8, UTF-8 BOM, UTF-16)"},
        // A line end in a value cannot start a line of its own in the text.
        {"add\r\nX", "", L"Неизвестный режим записи: aRvik.FileMode=add??X (допустимо: append, replace)"},
        {"", "\tUTF\x7f", L"Неизвестная кодировка: aRvik.FileEncoding=?UTF? (допустимо: UTF-8, UTF-8 BOM, UTF-16)"},
    };
    for (const auto& c : cases) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileText", "new");
        Set(L"aRvik.FileMode", c.mode);
        Set(L"aRvik.FileEncoding", c.encoding);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileWrite", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(c.reason, record.bstrDescription);
        EXPECT_EQ("new", Get(L"aRvik.FileText"));
        EXPECT_EQ(c.mode, Get(L"aRvik.FileMode"));
        EXPECT_EQ(c.encoding, Get(L"aRvik.FileEncoding"));
        EXPECT_EQ("old", ReadWhole(name));
    }

    // An append below a file fails as a replacing write does.
    std::string below = scratch + "out.txt\\a.txt";
    Set(L"aRvik.FileName", below);
    Set(L"aRvik.FileMode", "append");
    Set(L"aRvik.FileEncoding", "UTF-8");
    Record record;
    ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileWrite", &record));
    EXPECT_STREQ((L"Не удалось записать файл (путь не найден): " + Wide(below)).c_str(), record.bstrDescription);
    EXPECT_EQ("append", Get(L"aRvik.FileMode"));
}

// A file's byte-order mark decides how an append without an encoding writes;
// an encoding that differs from the mark writes nothing.
TEST_F(FileOptionsTest, AppendingKeepsTheEncodingOfTheFilesMark) {
    const struct {
        std::string mark, added;  // added: "ё日" in the file's encoding
        const char* same;         // an encoding that agrees with the mark
        const char* other;
        const wchar_t* named;     // the file's encoding as the reason names it
    } files[] = {
        {"\xEF\xBB\xBF", "\xD1\x91\xE6\x97\xA5", "UTF-8", "utf-16", L"UTF-8 BOM"},
        {"\xFF\xFE", Utf16(L"ё日"), "UTF-16", "UTF-8 BOM", L"UTF-16"},
        {"\xFE\xFF", std::string("\x04\x51\x65\xE5", 4), nullptr, "UTF-16", L"UTF-16 BE"},
    };
    for (const auto& f : files) {
        WriteWhole(name, f.mark);
        Write(L"ё日", "append", "");
        if (f.same) Write(L"ё日", "append", f.same);
        std::string added = f.same ? f.added + f.added : f.added;
        EXPECT_EQ(f.mark + added, ReadWhole(name)) << f.named;
        Fails(name, "append", f.other,
              std::wstring(L"Не удалось дописать файл (в нём ") + f.named + L", а aRvik.FileEncoding=" +
                  Wide(f.other) + L"): " + Wide(name));
        Write(L"ё日", "append", "");
        EXPECT_EQ(f.mark + added + f.added, ReadWhole(name)) << f.named;
    }
    // Without a mark, as before: the bytes of the encoding asked for.
    WriteWhole(name, "a");
    Write(L"ё", "append", "UTF-16");
    Write(L"ё", "append", "");
    EXPECT_EQ("a" + Utf16(L"ё") + "\xB8", ReadWhole(name));
    // A UTF-16 file of an odd count of bytes would go on a byte off: nothing goes in.
    for (const char* encoding : {"", "UTF-16"}) {
        WriteWhole(name, "\xFF\xFE" "a");
        Fails(name, "append", encoding, L"Не удалось дописать файл (в нём UTF-16 с нечётным числом байт): " + Wide(name));
    }
    WriteWhole(name, "\xFE\xFF" "abc");
    Fails(name, "append", "", L"Не удалось дописать файл (в нём UTF-16 BE с нечётным числом байт): " + Wide(name));
}

// Two processes appending together, line by line, to the same new files:
// each file gets one mark and every line of both.
TEST_F(FileOptionsTest, TwoProcessesAppendingToANewFileWriteOneMarkAndEveryLine) {
    const int files = 16, lines = 3;
    const std::string prefix = "arvik-append-" + std::to_string(GetCurrentProcessId());
    std::vector<HANDLE> go;
    for (int k = 0; k < files; ++k) go.push_back(CreateEventA(nullptr, TRUE, FALSE, (prefix + "-" + std::to_string(k)).c_str()));
    HANDLE done = CreateSemaphoreA(nullptr, 0, 2, (prefix + "-done").c_str());
    std::vector<HANDLE> children;
    for (const char* id : {"A", "B"}) {
        std::string line = "\"" + ExeFolder() + "append_child.exe\" " + prefix + " \"" +
                           scratch.folder.substr(0, scratch.folder.size() - 1) + "\" " + id + " " +
                           std::to_string(files) + " " + std::to_string(lines);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        children.push_back(process.hProcess);
    }
    // Both children wait for each file's event, so their first appends meet.
    for (int k = 0; k < files && !HasFailure(); ++k) {
        SetEvent(go[k]);
        for (int child = 0; child < 2; ++child) EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done, 20000)) << k;
    }
    for (HANDLE child : children) {
        DWORD code = 99;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child, 20000));
        EXPECT_TRUE(GetExitCodeProcess(child, &code));
        EXPECT_EQ(0u, code);
        CloseHandle(child);
    }
    for (HANDLE event : go) CloseHandle(event);
    CloseHandle(done);
    for (int k = 0; k < files; ++k) {
        std::string bytes = ReadWhole(scratch + (std::to_string(k) + ".txt").c_str());
        std::vector<std::string> expected, got;
        for (const char* id : {"A", "B"})
            for (int n = 0; n < lines; ++n) expected.push_back(id + (" " + std::to_string(k)) + " " + std::to_string(n));
        ASSERT_EQ("\xFF\xFE", bytes.substr(0, 2)) << k;
        std::string line;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            std::string unit = bytes.substr(i, 2);
            if (unit == std::string("\n\0", 2)) {
                got.push_back(line);
                line.clear();
            } else if (unit != std::string("\r\0", 2)) {
                line += unit[1] ? '#' : unit[0];  // a second mark shows as "#"
            }
        }
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(expected, got) << k;
    }
}

// An append waits for another's lock on the file, up to the time it is given.
TEST_F(FileOptionsTest, AnAppendWaitsForAnothersLockUpToItsTime) {
    WriteWhole(name, "a");
    HANDLE other = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(AppendLock::offset);
    at.OffsetHigh = static_cast<DWORD>(AppendLock::offset >> 32);
    ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
    try {
        TextFileWriter file(FileName(Wide(name).c_str()), true);
        AppendLock lock(file.Handle(), name.c_str(), 100);
        ADD_FAILURE() << "locked";
    } catch (const FileException& e) {
        EXPECT_EQ("Не удалось дописать файл (он занят другой записью): " + name, std::string(e.Reason()));
    }
    // The command on a thread of its own: while the lock is held it must
    // neither end nor touch the file, however long it is given (an append
    // that does not wait ends within milliseconds); released, it ends and
    // appends.
    Set(L"aRvik.FileName", name);
    Set(L"aRvik.FileText", "b");
    Set(L"aRvik.FileMode", "append");
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HRESULT appended = E_PENDING;
    std::thread append([&] {
        appended = Command(L"aRvik.FileWrite");
        SetEvent(ended);
    });
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(ended, 2000)) << "the append did not wait for the lock";
    std::string whileLocked = ReadWhole(name);
    UnlockFileEx(other, 0, 1, 0, &at);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ended, 30000)) << "the append did not end once the lock was released";
    append.join();
    CloseHandle(ended);
    CloseHandle(other);
    EXPECT_EQ(S_OK, appended);
    EXPECT_EQ("a", whileLocked);
    EXPECT_EQ("ab", ReadWhole(name));
}

// The system refusing the name or the file fails every way of writing with
// the text of the plain write.
TEST_F(FileOptionsTest, RefusedNamesAndHeldFilesFailAsThePlainWriteDoes) {
    std::string held = scratch + "held.txt";
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    const struct {
        std::string file;
        const wchar_t* reason;
    } cases[] = {
        {scratch + "a*b.txt", L"Windows system call error 123 (0000007B) at \"Platform/SaveFile_ss\":33"},
        {scratch.folder + std::string(260, 'x'), L"Windows system call error 206 (000000CE) at \"Platform/SaveFile_ss\":33"},
        {held, L"Windows system call error 32 (00000020) at \"Platform/SaveFile_ss\":33"},
    };
    for (const auto& c : cases)
        for (const char* mode : {"", "append", "replace"})
            for (const char* encoding : {"", "UTF-8"}) Fails(c.file, mode, encoding, c.reason);
    CloseHandle(holder);
    Write(L"x", "append", "UTF-8");
    EXPECT_EQ("x", ReadWhole(name));
}

// A device is refused by its name before anything is opened or made, every
// way of writing alike, and the arguments stay; what still opens as no file
// on a disk is not written either.
TEST_F(FileOptionsTest, DevicesAreRefusedEveryWayOfWriting) {
    for (const char* device : {"CON", "fz\\nul.txt", "fz\\aux .log", "fz\\COM9", "\\\\.\\pipe\\arvik_none"})
        for (const char* mode : {"", "append", "replace"})
            for (const char* encoding : {"", "UTF-16"}) {
                Set(L"aRvik.FileName", device);
                Set(L"aRvik.FileText", "new");
                Set(L"aRvik.FileMode", mode);
                Set(L"aRvik.FileEncoding", encoding);
                Record record;
                ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileWrite", &record)) << device;
                EXPECT_EQ("Не удалось записать файл (это устройство): aRvik.FileName=" + std::string(device),
                          Narrow(record.bstrDescription));
                EXPECT_EQ(device, Get(L"aRvik.FileName"));
                EXPECT_EQ("new", Get(L"aRvik.FileText"));
                EXPECT_EQ(mode, Get(L"aRvik.FileMode"));
                EXPECT_EQ(encoding, Get(L"aRvik.FileEncoding"));
            }
    // Not even the folder of a relative name was made.
    char data[MAX_PATH] = "";
    ExpandEnvironmentStringsA("%APPDATA%\\Kelmir\\Tallivant\\fz", data, MAX_PATH);
    EXPECT_FALSE(Exists(data));

    const char* refused = "Не удалось записать файл (это устройство): nul";
    try {
        TAXDK::Standard::SaveFile("nul", L"x");
        ADD_FAILURE() << "SaveFile wrote to the device";
    } catch (const FileException& e) {
        EXPECT_STREQ(refused, e.Reason());
    }
    for (bool append : {false, true}) {
        try {
            TextFileWriter file(FileName(L"nul"), append);
            ADD_FAILURE() << "the device was opened to write, append " << append;
        } catch (const FileException& e) {
            EXPECT_STREQ(refused, e.Reason()) << append;
        }
    }
}

// FileWrite and FileRead take what the other file commands take: names past
// MAX_PATH, written, appended and read back, the full name written back.
TEST_F(FileOptionsTest, WriteAndReadTakeNamesPastMaxPath) {
    std::string part(100, 'д'), folder = scratch.folder + part + "\\" + part + "\\" + part;
    name = folder + "\\b.txt";
    Set(L"aRvik.FileName", folder + "\\x\\..\\b.txt");
    Set(L"aRvik.FileText", "первая ");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    EXPECT_EQ(name, Get(L"aRvik.FileName"));
    Write(L"вторая", "append", "");
    Set(L"aRvik.FileName", folder + "\\.\\b.txt");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileRead"));
    EXPECT_EQ("первая вторая", Get(L"aRvik.FileText"));
    EXPECT_EQ(name, Get(L"aRvik.FileName"));
    Write(kText, "replace", "UTF-16");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileRead"));
    EXPECT_EQ(std::wstring(kText), session->Value(L"aRvik.FileText"));
    // Deleted here: the scratch folder's removal takes plain names.
    for (std::string each : {name, folder, scratch.folder + part + "\\" + part, scratch.folder + part}) {
        Set(L"aRvik.FileName", each);
        ASSERT_EQ(S_OK, Command(L"aRvik.FileDelete")) << each;
    }
}

TEST_F(FileOptionsTest, WriteAndReadTakeNamesTheAnsiCodePageLacks) {
    std::wstring folder = Wide(scratch.folder) + L"\u03a9\u4e2d", file = folder + L"\\\u00df\u03c9.txt";
    session->Set(L"aRvik.FileName", (folder + L"\\x\\..\\\u00df\u03c9.txt").c_str());
    session->Set(L"aRvik.FileText", kText);
    Set(L"aRvik.FileEncoding", "UTF-8");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    EXPECT_EQ(file, std::wstring(session->Value(L"aRvik.FileName")));
    session->Set(L"aRvik.FileText", L"+\u4e2d");
    Set(L"aRvik.FileMode", "append");
    Set(L"aRvik.FileEncoding", "UTF-8");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    Set(L"aRvik.FileEncoding", "UTF-8");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileRead"));
    EXPECT_EQ(std::wstring(kText) + L"+\u4e2d", session->Value(L"aRvik.FileText"));
    EXPECT_EQ(file, std::wstring(session->Value(L"aRvik.FileName")));
    // Without an encoding the ANSI code page, as for any name.
    session->Set(L"aRvik.FileText", L"ё");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    ASSERT_EQ(S_OK, Command(L"aRvik.FileRead"));
    EXPECT_EQ(std::wstring(L"ё"), session->Value(L"aRvik.FileText"));
    // Deleted here: the scratch folder's removal takes ANSI names.
    EXPECT_TRUE(DeleteFileW(file.c_str()));
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str()));
}
