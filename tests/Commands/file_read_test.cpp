// aRvik.FileRead.
#include <process.h>

#include <vector>

#include <Files/FileText.h>

#include "Commands/CommandsTest.h"

namespace {

struct FileReadTest : CommandTest {
    // Reads name with the encoding given; must succeed, give the resolved
    // name back and leave aRvik.FileEncoding empty.
    std::wstring Read(const std::string& name, const char* encoding = "") {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileEncoding", encoding);
        Set(L"aRvik.FileText", "old");
        Set(L"aRvik.FileMode", "append");
        Record record;
        EXPECT_EQ(S_OK, Command(L"aRvik.FileRead", &record)) << name << " " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
        EXPECT_EQ("", Get(L"aRvik.FileEncoding"));
        EXPECT_EQ("append", Get(L"aRvik.FileMode"));  // no argument of FileRead
        return session->Value(L"aRvik.FileText");
    }
    // A read that must fail with reason; the text and encoding stay.
    void Fails(const std::string& name, const char* encoding, const std::wstring& reason) {
        Set(L"aRvik.FileName", name);
        Set(L"aRvik.FileEncoding", encoding);
        Set(L"aRvik.FileText", "old");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.FileRead", &record)) << name;
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription);
        EXPECT_EQ("old", Get(L"aRvik.FileText"));
        EXPECT_EQ(encoding, Get(L"aRvik.FileEncoding"));
    }
};

// A command run on a thread of its own and waited for at most limit ms,
// so that a command that blocks fails the test instead of holding it up.
// A thread still running then is ended: its command is a failure already.
struct BoundedCommand {
    CommandTest* test;
    const wchar_t* name;
    Record record;
    HRESULT result = E_PENDING;

    static unsigned __stdcall Main(void* self) {
        BoundedCommand* c = static_cast<BoundedCommand*>(self);
        c->result = c->test->Command(c->name, &c->record);
        return 0;
    }
    HRESULT Run(DWORD limit) {
        HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Main, this, 0, nullptr));
        EXPECT_NE(nullptr, thread);
        if (!thread) return E_FAIL;
        DWORD waited = WaitForSingleObject(thread, limit);
        EXPECT_EQ(WAIT_OBJECT_0, waited) << Narrow(name) << " still runs after " << limit << " ms";
        if (waited != WAIT_OBJECT_0) TerminateThread(thread, 1);
        CloseHandle(thread);
        return result;
    }
};

std::string Utf16(const std::wstring& text, bool bigEndian = false) {
    std::string bytes;
    for (wchar_t c : text) {
        char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace

TEST_F(FileReadTest, TheNameIsResolvedAsFileWriteResolvesIt) {
    SetEnvironmentVariableA("ARVIK_SCRATCH", scratch.folder.c_str());
    WriteWhole(scratch + "a.txt", "строка\r\n\x01\xff");
    EXPECT_EQ(Wide("строка\r\n\x01\xff"), Read("%ARVIK_SCRATCH%sub\\..\\a.txt. "));
    SetEnvironmentVariableA("ARVIK_SCRATCH", nullptr);
    EXPECT_EQ(scratch + "a.txt", Get(L"aRvik.FileName"));

    // A relative name: below the data folder, where FileWrite put it.
    Set(L"aRvik.FileName", "arvik_read_test.txt");
    Set(L"aRvik.FileText", "written");
    ASSERT_EQ(S_OK, Command(L"aRvik.FileWrite"));
    std::string full = Get(L"aRvik.FileName");
    EXPECT_EQ(L"written", Read("arvik_read_test.txt"));
    EXPECT_EQ(full, Get(L"aRvik.FileName"));
    DeleteFileA(full.c_str());

    WriteWhole(scratch + "empty.txt", "");
    EXPECT_EQ(L"", Read(scratch + "empty.txt", "UTF-16"));
}

TEST_F(FileReadTest, AMarkDecidesThenTheEncodingThenTheAnsiCodePage) {
    const std::wstring text = L"Ωμέγα ё\U0001F600";
    const std::string utf8 = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xD1\x91\xF0\x9F\x98\x80";
    std::string name = scratch + "t.txt";
    const struct {
        std::string bytes;
        const char* encoding;
    } cases[] = {
        {"\xEF\xBB\xBF" + utf8, ""},
        {"\xEF\xBB\xBF" + utf8, "UTF-16"},  // the mark wins
        {"\xFF\xFE" + Utf16(text), "UTF-8"},
        {"\xFE\xFF" + Utf16(text, true), ""},
        {utf8, "utf-8"},
        {utf8, "UTF-8 BOM"},
        {Utf16(text), "UTF-16"},
    };
    for (const auto& c : cases) {
        WriteWhole(name, c.bytes);
        EXPECT_EQ(text, Read(name, c.encoding)) << c.encoding;
    }
    // No mark, no encoding: the bytes as they are, in the ANSI code page.
    WriteWhole(name, utf8);
    EXPECT_EQ(Wide(utf8), Read(name));
    // An odd last byte of UTF-16 is no character.
    WriteWhole(name, std::string("\xFF\xFE" "A\0B", 5));
    EXPECT_EQ(std::wstring(L"A\xFFFD"), Read(name));
}

// A file longer than the first read, without a mark, is widened where it
// is read: every byte as the system gives it, to the last one.
TEST_F(FileReadTest, ALongAnsiFileGivesTheSystemsCharacters) {
    std::string bytes;
    for (int i = 0; bytes.size() < (200 << 10); ++i) {
        bytes += static_cast<char>(1 + i % 255);
        if (i % 1000 == 0) bytes += std::string(40, 'x');
    }
    WriteWhole(scratch + "long.txt", bytes);
    std::wstring text = Read(scratch + "long.txt");
    EXPECT_EQ(bytes.size(), text.size());
    EXPECT_TRUE(Wide(bytes) == text);
    // The memory of one long text serves the next: a shorter one is exactly as long.
    const std::string shorter = bytes.substr(0, 100 << 10);
    WriteWhole(scratch + "shorter.txt", shorter);
    EXPECT_TRUE(Wide(shorter) == Read(scratch + "shorter.txt"));
    EXPECT_TRUE(Wide(bytes) == Read(scratch + "long.txt"));
}

TEST_F(FileReadTest, FailuresNameTheResolvedFile) {
    std::string missing = scratch + "missing.txt";
    Fails(scratch + "x\\..\\missing.txt", "", L"Не удалось прочитать файл (файл не найден): " + Wide(missing));
    EXPECT_EQ(missing, Get(L"aRvik.FileName"));
    Fails(scratch + "no folder\\a.txt", "", L"Не удалось прочитать файл (файл не найден): " + Wide(scratch + "no folder\\a.txt"));
    Fails("", "", L"Не удалось прочитать файл (файл не найден): ");
    std::string folder = scratch + "folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    Fails(folder, "", L"Не удалось прочитать файл (это папка): " + Wide(folder));
    // Wine shows another process's memory, which nobody may read, as this file.
    const char* denied = "Z:\\proc\\1\\mem";
    if (Exists(denied)) Fails(denied, "", L"Не удалось прочитать файл (нет доступа): " + Wide(denied));

    WriteWhole(scratch + "a.txt", "text");
    Fails(scratch + "a.txt", "UTF-7",
          L"Неизвестная кодировка: aRvik.FileEncoding=UTF-7 (допустимо: UTF-8, UTF-8 BOM, UTF-16)");

    // One byte over 64 MiB, made without writing it.
    std::string large = scratch + "large.bin";
    HANDLE file = CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER size;
    size.QuadPart = (64ll << 20) + 1;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    Fails(large, "", L"Не удалось прочитать файл (больше 64 МБ): " + Wide(large));
}

namespace {
// Appends blocks of 4 KiB to a file until told to stop, 32 MiB at most.
struct Grower {
    std::string name;
    volatile LONG stop = 0;
    LONG blocks = 0;
    static unsigned __stdcall Main(void* self) {
        Grower* g = static_cast<Grower*>(self);
        std::string block(4096, 'g');
        HANDLE file = CreateFileA(g->name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        DWORD n = 0;
        while (!g->stop && g->blocks < 8192 && WriteFile(file, block.data(), 4096, &n, nullptr)) ++g->blocks;
        CloseHandle(file);
        return 0;
    }
};
}  // namespace

// A file that grows while read gives what the reads saw: the start of the
// file, whole, at least as long as it was.
TEST_F(FileReadTest, AFileThatGrowsWhileReadGivesItsStart) {
    Grower grower;
    grower.name = scratch + "growing.txt";
    WriteWhole(grower.name, std::string(1 << 20, 'a'));
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Grower::Main, &grower, 0, nullptr));
    ASSERT_NE(nullptr, thread);
    std::vector<std::wstring> texts;
    for (int i = 0; i < 5; ++i) texts.push_back(Read(grower.name));
    grower.stop = 1;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
    CloseHandle(thread);
    std::wstring final = Wide(ReadWhole(grower.name));
    for (const std::wstring& text : texts) {
        EXPECT_GE(text.size(), 1u << 20);
        EXPECT_TRUE(final.compare(0, text.size(), text) == 0) << text.size();
    }
}

// A device is refused by its name, in any folder and form, before anything
// is opened: under Wine AUX is a serial port, whose read would wait for
// ever. Each read runs on a thread waited for at most 20 s.
TEST_F(FileReadTest, DevicesAreRefusedBeforeAnythingIsOpened) {
    const char* devices[] = {"fz\\aux", "aux", "fz\\aux.txt", "COM1", "nul", "\\\\.\\nul", "fz\\CONIN$",
                             "fz\\lpt9 .log", "fz\\com1:", "\\\\.\\pipe\\arvik_none",
                             "\\\\?\\GLOBALROOT\\Device\\Null"};
    for (const char* device : devices) {
        Set(L"aRvik.FileName", device);
        Set(L"aRvik.FileEncoding", "UTF-8");
        Set(L"aRvik.FileText", "old");
        BoundedCommand read{this, L"aRvik.FileRead", {}};
        ASSERT_EQ(DISP_E_EXCEPTION, read.Run(20000)) << device;
        EXPECT_EQ(59999, read.record.wCode);
        EXPECT_EQ("Не удалось прочитать файл (это устройство): aRvik.FileName=" + std::string(device),
                  Narrow(read.record.bstrDescription));
        // Nothing written back, nothing cleared.
        EXPECT_EQ(device, Get(L"aRvik.FileName"));
        EXPECT_EQ("UTF-8", Get(L"aRvik.FileEncoding"));
        EXPECT_EQ("old", Get(L"aRvik.FileText"));
    }
    // Names that only begin as a device's are files.
    for (const char* file : {"auxiliary.txt", "com10", "nul_", "lpt0.log", "con-log.txt"}) {
        WriteWhole(scratch + file, file);
        EXPECT_EQ(Wide(file), Read(scratch + file));
    }
    // What opens as no file on a disk is not read either: the open file is
    // checked too.
    CoString text;
    try {
        ReadFileText(FileName(L"\\\\.\\nul"), TextEncoding::Ansi, text);
        ADD_FAILURE() << "the device was read";
    } catch (const FileException& e) {
        EXPECT_STREQ("Не удалось прочитать файл (это устройство): \\\\.\\nul", e.Reason());
    }
}
