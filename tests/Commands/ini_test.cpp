// aRvik.IniRead, aRvik.IniWrite and aRvik.IniDelete: files in each
// encoding changed line by line, every other byte kept.
#include <algorithm>
#include <thread>

#include "Commands/CommandsTest.h"

namespace {

enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16 };

// text in the encoding, with its mark.
std::string Encoded(const std::wstring& text, Encoding encoding) {
    if (encoding == Encoding::Utf16)
        return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    UINT page = encoding == Encoding::Ansi ? 1251 : CP_UTF8;
    int n = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    return (encoding == Encoding::Utf8Bom ? "\xEF\xBB\xBF" : "") + bytes;
}

// Every "\n" of text as end ("\r\n" or "\n").
std::wstring Ends(std::wstring text, const wchar_t* end) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\n') out += end;
        else out += c;
    }
    return out;
}

struct IniTest : CommandTest {
    std::string file = scratch + "Настройки.ini";

    void Ini(const std::string& name, const wchar_t* section, const wchar_t* key, const wchar_t* value = nullptr) {
        Set(L"aRvik.FileName", name);
        session->Set(L"aRvik.IniSection", section);
        session->Set(L"aRvik.IniKey", key);
        if (value) session->Set(L"aRvik.Value", value);
    }
    void Runs(const wchar_t* command) {
        Record record;
        ASSERT_EQ(S_OK, Command(command, &record))
            << Narrow(command) << ": " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
    }
    // command fails with reason, its arguments and the file as they were.
    void Fails(const wchar_t* command, const std::string& reason) {
        const wchar_t* names[] = {L"aRvik.FileName", L"aRvik.IniSection", L"aRvik.IniKey", L"aRvik.Value"};
        std::wstring before[4];
        for (int i = 0; i < 4; ++i) before[i] = session->Value(names[i]);
        std::string content = ReadWhole(file);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(command, &record)) << reason;
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(before[i], session->Value(names[i])) << Narrow(names[i]);
        EXPECT_EQ(content, ReadWhole(file));
    }

    // Reads, changes, adds and deletes in a file of encoding whose lines
    // end with end, comparing the whole file after each step.
    void RoundTrip(Encoding encoding, const wchar_t* end) {
        std::wstring text = L"; Настройки программы\n# второй комментарий\n\n[Общие]\n  Имя = Иван  \nГород=Москва\n\n"
                            L"[Other]\nkey=1";
        WriteWhole(file, Encoded(Ends(text, end), encoding));

        Ini(file, L" общие ", L"ИМЯ");
        session->Set(L"aRvik.Value", L"старое");
        Runs(L"aRvik.IniRead");
        EXPECT_EQ(L"Иван", std::wstring(session->Value(L"aRvik.Value")));
        EXPECT_EQ("found", Get(L"aRvik.Result"));
        EXPECT_EQ(L" общие ", std::wstring(session->Value(L"aRvik.IniSection")));
        EXPECT_EQ(L"ИМЯ", std::wstring(session->Value(L"aRvik.IniKey")));

        Ini(file, L"ОБЩИЕ", L"имя", L"Пётр Ёлкин");
        Runs(L"aRvik.IniWrite");
        EXPECT_EQ("", Get(L"aRvik.Value"));
        size_t at = text.find(L"Иван  ");
        text.replace(at, 6, L"Пётр Ёлкин");
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));

        Ini(file, L"Общие", L"Улица", L"Ленина");
        Runs(L"aRvik.IniWrite");
        text.insert(text.find(L"Москва\n") + 7, L"Улица=Ленина\n");
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));

        Ini(file, L"Новый", L"k", L"v = 2");
        Runs(L"aRvik.IniWrite");
        text += L"\n\n[Новый]\nk=v = 2\n";
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));
        Ini(file, L"новый", L"K");
        Runs(L"aRvik.IniRead");
        EXPECT_EQ("v = 2", Get(L"aRvik.Value"));

        Ini(file, L"Общие", L"город");
        Runs(L"aRvik.IniDelete");
        EXPECT_EQ("1", Get(L"aRvik.Result"));
        text.erase(text.find(L"Город=Москва\n"), 13);
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));

        Ini(file, L"other", L"");
        Runs(L"aRvik.IniDelete");
        EXPECT_EQ("1", Get(L"aRvik.Result"));
        text.erase(text.find(L"[Other]\nkey=1\n\n"), 15);
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));

        // Nothing there: nothing changes.
        Ini(file, L"other", L"");
        Runs(L"aRvik.IniDelete");
        EXPECT_EQ("0", Get(L"aRvik.Result"));
        EXPECT_EQ(Encoded(Ends(text, end), encoding), ReadWhole(file));
        // No file beside is left.
        EXPECT_FALSE(Exists(file + ".~aRvik" + std::to_string(GetCurrentProcessId())));
    }
};

}  // namespace

TEST_F(IniTest, AnsiKeepsEveryOtherByte) { RoundTrip(Encoding::Ansi, L"\r\n"); }
TEST_F(IniTest, Utf8KeepsEveryOtherByte) { RoundTrip(Encoding::Utf8, L"\n"); }
TEST_F(IniTest, Utf8WithMarkKeepsEveryOtherByte) { RoundTrip(Encoding::Utf8Bom, L"\r\n"); }
TEST_F(IniTest, Utf16KeepsEveryOtherByte) { RoundTrip(Encoding::Utf16, L"\r\n"); }
TEST_F(IniTest, Utf16WithLfKeepsEveryOtherByte) { RoundTrip(Encoding::Utf16, L"\n"); }

TEST_F(IniTest, AbsentIsEmptyAndNoFailure) {
    for (const char* name : {"нет.ini", "есть.ini"}) {
        if (std::string(name) == "есть.ini") WriteWhole(scratch + name, "[a]\r\nb=1\r\n");
        for (auto where : {std::make_pair(L"a", L"c"), std::make_pair(L"x", L"b")}) {
            Ini(scratch + name, where.first, where.second);
            session->Set(L"aRvik.Value", L"было");
            session->Set(L"aRvik.Result", L"было");
            Runs(L"aRvik.IniRead");
            EXPECT_EQ("", Get(L"aRvik.Value"));
            EXPECT_EQ("", Get(L"aRvik.Result"));
        }
    }
    EXPECT_FALSE(Exists(scratch + "нет.ini"));
    Ini(scratch + "нет.ini", L"a", L"b");
    Runs(L"aRvik.IniDelete");
    EXPECT_EQ("0", Get(L"aRvik.Result"));
    EXPECT_FALSE(Exists(scratch + "нет.ini"));
}

TEST_F(IniTest, NewFileIsAnsiOrUtf8WithMark) {
    Ini(scratch + "папка\\новый.ini", L"Раздел", L"Ключ", L"Значение");
    Runs(L"aRvik.IniWrite");
    EXPECT_EQ("[Раздел]\r\nКлюч=Значение\r\n", ReadWhole(scratch + "папка\\новый.ini"));

    Ini(scratch + "другой.ini", L"Раздел", L"Ключ", L"\u65E5\u672C");
    Runs(L"aRvik.IniWrite");
    EXPECT_EQ(Encoded(L"[Раздел]\r\nКлюч=\u65E5\u672C\r\n", Encoding::Utf8Bom), ReadWhole(scratch + "другой.ini"));
    Ini(scratch + "другой.ini", L"раздел", L"ключ");
    Runs(L"aRvik.IniRead");
    EXPECT_EQ(L"\u65E5\u672C", std::wstring(session->Value(L"aRvik.Value")));

    // ASCII is UTF-8 too: the file stays without a mark.
    WriteWhole(file, "[a]\nb=1\n");
    Ini(file, L"a", L"c", L"\u65E5");
    Runs(L"aRvik.IniWrite");
    EXPECT_EQ("[a]\nb=1\nc=\xE6\x97\xA5\n", ReadWhole(file));
}

TEST_F(IniTest, RefusalsNameTheValue) {
    WriteWhole(file, Encoded(L"[Общие]\r\nИмя=Иван\r\n", Encoding::Ansi));
    Ini(file, L"Общие", L"Имя", L"\u65E5\u672C");
    Fails(L"aRvik.IniWrite", "Кодировка файла INI (ANSI) не передаёт текст: aRvik.Value=??");
    Ini(file, L"\u65E5", L"Имя", L"1");
    Fails(L"aRvik.IniWrite", "Кодировка файла INI (ANSI) не передаёт текст: aRvik.IniSection=?");
    Ini(file, L"", L"Имя", L"1");
    Fails(L"aRvik.IniWrite", "Не указан раздел INI: aRvik.IniSection=");
    Ini(file, L"a]b", L"Имя", L"1");
    Fails(L"aRvik.IniWrite", "Недопустимое имя раздела INI: aRvik.IniSection=a]b (недопустимы ], = и перевод строки)");
    Ini(file, L"a\nb", L"Имя");
    Fails(L"aRvik.IniRead", "Недопустимое имя раздела INI: aRvik.IniSection=a?b (недопустимы ], = и перевод строки)");
    Ini(file, L"a=b", L"Имя");
    Fails(L"aRvik.IniDelete", "Недопустимое имя раздела INI: aRvik.IniSection=a=b (недопустимы ], = и перевод строки)");
    Ini(file, L"Общие", L"");
    Fails(L"aRvik.IniRead", "Не указан ключ INI: aRvik.IniKey=");
    Ini(file, L"Общие", L"", L"1");
    Fails(L"aRvik.IniWrite", "Не указан ключ INI: aRvik.IniKey=");
    for (auto key : {std::make_pair(L"k=1", "k=1"), std::make_pair(L";k", ";k"), std::make_pair(L" #k", " #k"),
                     std::make_pair(L"[k", "[k"), std::make_pair(L"k]", "k]"), std::make_pair(L"k\r", "k?")}) {
        Ini(file, L"Общие", key.first, L"1");
        Fails(L"aRvik.IniWrite", std::string("Недопустимое имя ключа INI: aRvik.IniKey=") + key.second +
                                     " (недопустимы ], =, перевод строки и ;, #, [ в начале)");
    }
    Ini(file, L"Общие", L"Имя", L"a\r\nb");
    Fails(L"aRvik.IniWrite", "Недопустимое значение INI: aRvik.Value=a??b (недопустим перевод строки)");
    Ini("", L"Общие", L"Имя", L"1");
    Fails(L"aRvik.IniWrite", "Не указан файл: aRvik.FileName=");
    Ini(scratch.folder, L"Общие", L"Имя");
    Fails(L"aRvik.IniRead", "Не удалось прочитать файл (это папка): " + scratch.folder);
}

// Changes made together, each by its own extender and session: each reads
// what the one before wrote, so none is lost.
TEST_F(IniTest, ChangesMadeTogetherAreAllKept) {
    WriteWhole(file, "; shared\r\n[s]\r\n");
    const int count = 25;
    std::string why[2];
    auto writer = [this, &why](char prefix, HRESULT* failed) {
        co<ITallivantSessionExtender> own(new Plugin::SessionExtender);
        co<HostSession> values(new HostSession);
        BSTR name = SysAllocString(L"aRvik.IniWrite");
        for (int i = 0; i < count && *failed == S_OK; ++i) {
            std::wstring key = std::wstring(1, prefix) + std::to_wstring(i);
            values->Set(L"aRvik.FileName", Wide(file).c_str());
            values->Set(L"aRvik.IniSection", L"s");
            values->Set(L"aRvik.IniKey", key.c_str());
            values->Set(L"aRvik.Value", (L"value of " + key).c_str());
            Record record;
            *failed = Call(own.get(), L"Command", {ObjectArg(values.get()), TextArg(name)}, &record);
            if (*failed != S_OK && record.bstrDescription) why[prefix - 'a'] = Narrow(record.bstrDescription);
        }
        SysFreeString(name);
    };
    HRESULT first = S_OK, second = S_OK;
    std::thread a(writer, 'a', &first), b(writer, 'b', &second);
    a.join();
    b.join();
    ASSERT_EQ(S_OK, first) << why[0];
    ASSERT_EQ(S_OK, second) << why[1];
    for (char prefix : {'a', 'b'})
        for (int i = 0; i < count; ++i) {
            std::wstring key = std::wstring(1, prefix) + std::to_wstring(i);
            Ini(file, L"s", key.c_str());
            Runs(L"aRvik.IniRead");
            EXPECT_EQ(L"value of " + key, std::wstring(session->Value(L"aRvik.Value")));
        }
    std::string content = ReadWhole(file);
    EXPECT_EQ(0u, content.find("; shared\r\n[s]\r\n"));
    EXPECT_EQ(size_t(2 + 2 * count), static_cast<size_t>(std::count(content.begin(), content.end(), '\n')));
}

// The system replaces no file another holds open: the change waits for
// the reader, and a read-only file is refused as it stands.
TEST_F(IniTest, WaitsForAReaderAndRefusesReadOnly) {
    WriteWhole(file, "[s]\r\nk=1\r\n");
    HANDLE reader = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    Ini(file, L"s", L"k", L"2");
    HRESULT written = E_PENDING;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread write([this, &written, done] {
        written = Command(L"aRvik.IniWrite");
        SetEvent(done);
    });
    // It cannot end while the file is open here.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(done, 300));
    CloseHandle(reader);
    write.join();
    CloseHandle(done);
    EXPECT_EQ(S_OK, written);
    EXPECT_EQ("[s]\r\nk=2\r\n", ReadWhole(file));

    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    Ini(file, L"s", L"k", L"3");
    Fails(L"aRvik.IniWrite", "Не удалось записать файл (нет доступа): " + file);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(Exists(file + ".~aRvik" + std::to_string(GetCurrentProcessId())));
}

TEST_F(IniTest, AFolderThatIsAFileFailsTheWrite) {
    WriteWhole(scratch + "файл", "x");
    Ini(scratch + "файл\\a.ini", L"s", L"k", L"1");
    Fails(L"aRvik.IniWrite", "Не удалось записать файл (файл не найден): " + (scratch + "файл\\a.ini"));
}

TEST_F(IniTest, ASectionInPartsIsOneAndCommentsAreNoKeys) {
    WriteWhole(file, "k=0\r\n[a]\r\n; c=9\r\nx = 1 ; not a comment\r\n\r\n[b]\r\ny=2\r\n[ A ]\r\nz=3\r\n");
    auto read = [this](const wchar_t* section, const wchar_t* key) {
        Ini(file, section, key);
        Runs(L"aRvik.IniRead");
        return Get(L"aRvik.Result") + ":" + Get(L"aRvik.Value");
    };
    EXPECT_EQ("found:3", read(L"a", L"z"));
    EXPECT_EQ("found:1 ; not a comment", read(L"a", L"X"));
    EXPECT_EQ(":", read(L"a", L"k"));
    EXPECT_EQ(":", read(L"a", L"c"));
    EXPECT_EQ(":", read(L"a", L"y"));

    Ini(file, L"a", L"z", L"4");
    Runs(L"aRvik.IniWrite");
    Ini(file, L"a", L"w", L"5");
    Runs(L"aRvik.IniWrite");
    EXPECT_EQ("k=0\r\n[a]\r\n; c=9\r\nx = 1 ; not a comment\r\nw=5\r\n\r\n[b]\r\ny=2\r\n[ A ]\r\nz=4\r\n", ReadWhole(file));
    // The same value again writes nothing: the file stays the one it was.
    WIN32_FILE_ATTRIBUTE_DATA before, after;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &before));
    Ini(file, L"A", L"W", L"5");
    Runs(L"aRvik.IniWrite");
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(0, CompareFileTime(&before.ftCreationTime, &after.ftCreationTime));

    Ini(file, L"a", L"");
    Runs(L"aRvik.IniDelete");
    EXPECT_EQ("1", Get(L"aRvik.Result"));
    EXPECT_EQ("k=0\r\n[b]\r\ny=2\r\n", ReadWhole(file));
}
