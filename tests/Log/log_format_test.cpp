// "Log Format": the script log's entries as JSON lines, read back by a
// small JSON reader of the test's own, every field exact; the refusal of a
// value that names no form; the policies over the user's key; and the text
// lines as they are without the setting.
#include <windows.h>
#include <lmcons.h>

#include <string>
#include <utility>
#include <vector>

#include <RegistryNames.h>

#include "Commands/CommandsTest.h"
#include "common/SavedKey.h"

namespace {

// One member of a JSON object: a string's value decoded into UTF-8, or a
// number's digits.
struct Member {
    std::string name;
    bool number = false;
    std::string value;
    bool operator==(const Member& o) const { return name == o.name && number == o.number && value == o.value; }
};

void PutUtf8(std::string& out, unsigned c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The JSON reader: one flat object of strings and whole numbers, the
// members in their order. Anything else (a raw control character in a
// string, an unknown escape, text after the object) is an error, which
// error names.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}

    bool Object(std::vector<Member>& members, std::string& error) {
        members.clear();
        if (!Take('{')) return Fail(error, "no {");
        if (Take('}')) return End(error);
        do {
            Member m;
            if (!String(m.name)) return Fail(error, "bad name");
            if (!Take(':')) return Fail(error, "no :");
            if (At() == '"') {
                if (!String(m.value)) return Fail(error, "bad string of " + m.name);
            } else {
                m.number = true;
                if (At() == '-') m.value += s_[i_++];
                while (At() >= '0' && At() <= '9') m.value += s_[i_++];
                if (m.value.empty() || m.value == "-") return Fail(error, "bad value of " + m.name);
            }
            members.push_back(m);
        } while (Take(','));
        if (!Take('}')) return Fail(error, "no }");
        return End(error);
    }

private:
    char At() const { return i_ < s_.size() ? s_[i_] : '\0'; }
    bool Take(char c) {
        if (At() != c) return false;
        ++i_;
        return true;
    }
    bool End(std::string& error) { return i_ == s_.size() || Fail(error, "text after the object"); }
    bool Fail(std::string& error, const std::string& what) {
        error = what + " at " + std::to_string(i_);
        return false;
    }
    bool Hex4(unsigned& c) {
        if (i_ + 4 > s_.size()) return false;
        c = 0;
        for (int k = 0; k < 4; ++k) {
            char h = s_[i_++];
            unsigned d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                                         : h >= 'A' && h <= 'F' ? h - 'A' + 10 : 16;
            if (d == 16) return false;
            c = c * 16 + d;
        }
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (i_ < s_.size()) {
            unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            char e = At();
            ++i_;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned u = 0;
                if (!Hex4(u)) return false;
                if (u >= 0xD800 && u <= 0xDBFF && Take('\\') && Take('u')) {
                    unsigned low = 0;
                    if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                }
                PutUtf8(out, u);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    const std::string& s_;
    size_t i_ = 0;
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The local time as the JSON entries begin it, without the offset.
std::string LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond, now.wMilliseconds);
    return text;
}

// The machine's offset from UTC now, "+HH:MM".
std::string MachineOffset() {
    TIME_ZONE_INFORMATION zone;
    DWORD kind = GetTimeZoneInformation(&zone);
    long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
    long east = -bias, shown = east < 0 ? -east : east;
    char text[16];
    wsprintfA(text, "%c%02ld:%02ld", east < 0 ? '-' : '+', shown / 60, shown % 60);
    return text;
}

// The plug-in key without log settings and both roots' policies without
// values, put back as they were afterwards.
struct LogFormatTest : CommandTest {
    SavedKey saved{HKEY_CURRENT_USER, PLUGIN_KEY},
        userPolicy{HKEY_CURRENT_USER, POLICY_KEY, KEY_WOW64_64KEY},
        machinePolicy{HKEY_LOCAL_MACHINE, POLICY_KEY, KEY_WOW64_64KEY};
    std::string file = scratch + "format.log";

    LogFormatTest() {
        for (const char* name : {SCRIPT_LOG_PATH, MAX_LOG_TEXT, LOG_KEEP_DAYS, LOG_FORMAT})
            RegDeleteKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, name);
        userPolicy.Clear();
        machinePolicy.Clear();
        Put(HKEY_CURRENT_USER, PLUGIN_KEY, 0, SCRIPT_LOG_PATH, file);
    }

    // A REG_SZ below root, its key made when missing.
    static void Put(HKEY root, const char* key, REGSAM view, const char* name, const std::string& text) {
        HKEY opened = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &opened,
                                                 nullptr));
        LONG result = RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                     static_cast<DWORD>(text.size() + 1));
        RegCloseKey(opened);
        ASSERT_EQ(ERROR_SUCCESS, result);
    }
    static void Format(const std::string& value) { Put(HKEY_CURRENT_USER, PLUGIN_KEY, 0, LOG_FORMAT, value); }
    static void Policy(HKEY root, const std::string& value) {
        Put(root, POLICY_KEY, KEY_WOW64_64KEY, LOG_FORMAT, value);
    }
    static void Limit(DWORD limit) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, MAX_LOG_TEXT, REG_DWORD, &limit, sizeof limit));
    }

    // Writes text as one entry, which must succeed and empty the text.
    void Log(const std::wstring& text) {
        session->Set(L"aRvik.LogText", text.c_str());
        ASSERT_EQ(S_OK, Command(L"aRvik.LogWrite"));
        EXPECT_EQ("", Narrow(session->Value(L"aRvik.LogText")));
    }
    // An entry that must fail with reason; the log text stays for a retry.
    void Fails(const std::wstring& reason) {
        session->Set(L"aRvik.LogText", L"kept");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.LogWrite", &record));
        EXPECT_EQ(59999, record.wCode);
        EXPECT_STREQ(reason.c_str(), record.bstrDescription);
        EXPECT_EQ("kept", Narrow(session->Value(L"aRvik.LogText")));
    }

    // The file's lines, each without its "\r\n" (which every line must end in).
    std::vector<std::string> Lines() const {
        std::string content = ReadWhole(file);
        std::vector<std::string> lines;
        size_t start = 0;
        while (start < content.size()) {
            size_t end = content.find("\r\n", start);
            if (end == std::string::npos) {
                ADD_FAILURE() << "no line end after " << start;
                break;
            }
            lines.push_back(content.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    // A JSON line read by the reader: its members, checked for the fields
    // in their order, each but time and text exact; gives the text.
    static std::string Text(const std::string& line) {
        std::vector<Member> members;
        std::string error;
        EXPECT_TRUE(JsonReader(line).Object(members, error)) << error << ": " << line;
        std::vector<std::string> names;
        for (const Member& m : members) names.push_back(m.name);
        EXPECT_EQ((std::vector<std::string>{"time", "computer", "user", "pid", "text"}), names) << line;
        if (members.size() != 5) return "<not five members>";
        wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
        DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
        EXPECT_TRUE(GetComputerNameW(computer, &size));
        wchar_t user[UNLEN + 1];
        size = UNLEN + 1;
        EXPECT_TRUE(GetUserNameW(user, &size));
        EXPECT_EQ((Member{"computer", false, Utf8(computer)}), members[1]);
        EXPECT_EQ((Member{"user", false, Utf8(user)}), members[2]);
        EXPECT_EQ((Member{"pid", true, std::to_string(GetCurrentProcessId())}), members[3]);
        EXPECT_FALSE(members[0].number);
        EXPECT_FALSE(members[4].number);
        return members[4].value;
    }
};

}  // namespace

TEST_F(LogFormatTest, JsonLinesCarryEveryFieldEscapedAsUtf8) {
    Format("json");
    const std::string before = LocalNow();
    Log(L"Привет, \"мир\" \\ C:\\путь\\\tтаб\r\nвторая\x01\x1f\x7f конец/");
    const std::string after = LocalNow();
    Log(L"");
    std::string content = ReadWhole(file);
    ASSERT_FALSE(content.empty());
    EXPECT_EQ('{', content[0]);  // no byte-order mark
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    // Byte for byte after the time: the escapes RFC 8259 asks for, the
    // Cyrillic as UTF-8, DEL and "/" as they are.
    const std::string tail = u8",\"text\":\"Привет, \\\"мир\\\" \\\\ C:\\\\путь\\\\\\tтаб\\r\\nвторая"
                             u8"\\u0001\\u001f\x7f конец/\"}";
    ASSERT_GE(lines[0].size(), tail.size());
    EXPECT_EQ(tail, lines[0].substr(lines[0].size() - tail.size()));
    EXPECT_EQ(u8"Привет, \"мир\" \\ C:\\путь\\\tтаб\r\nвторая\x01\x1f\x7f конец/", Text(lines[0]));
    EXPECT_EQ("", Text(lines[1]));
    EXPECT_EQ("\"}", lines[1].substr(lines[1].size() - 2));

    // The local time with milliseconds and the machine's offset, taken while
    // the entry was written.
    std::vector<Member> members;
    std::string error;
    ASSERT_TRUE(JsonReader(lines[0]).Object(members, error)) << error;
    const std::string time = members[0].value;
    ASSERT_EQ(29u, time.size()) << time;
    static const char form[] = "dddd-dd-ddTdd:dd:dd.ddd+dd:dd";
    for (size_t k = 0; k < time.size(); ++k)
        EXPECT_TRUE(form[k] == 'd' ? time[k] >= '0' && time[k] <= '9' : time[k] == form[k]) << time;
    EXPECT_LE(before, time.substr(0, 23));
    EXPECT_GE(after, time.substr(0, 23));
    EXPECT_EQ(MachineOffset(), time.substr(23));
    EXPECT_EQ("+03:00", time.substr(23));  // the tests' Wine runs in Europe/Moscow
}

TEST_F(LogFormatTest, TextsOutsideTheAnsiCodePageSurvive) {
    Format("JSON");  // case does not matter
    // CJK, a character beyond 16 bits (a surrogate pair), the euro sign of
    // 1251 and a lone surrogate, which becomes U+FFFD.
    Log(L"中文 \U0001F600 € \xD800!");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    // Outside the macro, whose message would hold it in the ANSI code page.
    const std::string text = u8"中文 \U0001F600 € \uFFFD!";
    EXPECT_EQ(text, Text(lines[0]));
    const std::string tail = "\"text\":\"\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80 \xE2\x82\xAC \xEF\xBF\xBD!\"}";
    EXPECT_EQ(tail, lines[0].substr(lines[0].size() - tail.size()));
}

// "Max LogText" counts the text's UTF-8 bytes and cuts before the escaping,
// between characters only.
TEST_F(LogFormatTest, MaxLogTextCutsTheTextBeforeEscapingAndNeverInsideACharacter) {
    Format("json");
    Limit(10);
    Log(L"абвгдеёжзи");  // 20 bytes: five letters fit
    Limit(11);
    Log(L"абвгдеёжзи");  // the sixth letter would end at byte 12
    Limit(5);
    Log(L"ab\U0001F600c");  // 7 bytes; the four of the pair do not fit after "ab"
    Log(L"\"\"\"\"");           // 4 bytes below 5, escaped to 8
    Log(L"\"\"\"\"\"\"");       // 6 bytes: five quotes kept, escaped after the cut
    Limit(0);
    Log(L"");
    Log(L"x");
    std::vector<std::string> texts;
    for (const std::string& line : Lines()) texts.push_back(Text(line));
    EXPECT_EQ((std::vector<std::string>{u8"[20 байт]\r\nабвгд\r\n...", u8"[20 байт]\r\nабвгд\r\n...",
                                        u8"[7 байт]\r\nab\r\n...", "\"\"\"\"", u8"[6 байт]\r\n\"\"\"\"\"\r\n...", "",
                                        u8"[1 байт]\r\n\r\n..."}),
              texts);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(7u, lines.size());
    const std::string tail = u8"\"text\":\"[6 байт]\\r\\n\\\"\\\"\\\"\\\"\\\"\\r\\n...\"}";
    EXPECT_EQ(tail, lines[4].substr(lines[4].size() - tail.size()));
}

TEST_F(LogFormatTest, AnUnknownValueIsRefusedAndNothingIsWritten) {
    Format("xml");
    Fails(L"Неизвестный формат журнала: \"Log Format\"=xml (допустимо: text, json)");
    Format("журнал\tJSON");  // a control character shown as "?"
    Fails(L"Неизвестный формат журнала: \"Log Format\"=журнал?JSON (допустимо: text, json)");
    Format(" json");
    Fails(L"Неизвестный формат журнала: \"Log Format\"= json (допустимо: text, json)");
    EXPECT_FALSE(Exists(file));
    Format("json");
    Log(L"после");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(u8"после", Text(lines[0]));
}

// The policies decide "Log Format" as they decide the other log settings:
// the machine's over the user's, both over the user's own key.
TEST_F(LogFormatTest, PoliciesWinOverTheUsersKey) {
    Format("xml");  // never looked at while a policy decides
    Policy(HKEY_CURRENT_USER, "json");
    Log(L"пользователь");
    Policy(HKEY_LOCAL_MACHINE, "text");
    Log(L"машина");
    Policy(HKEY_LOCAL_MACHINE, "bad");
    Fails(L"Неизвестный формат журнала: \"Log Format\"=bad (допустимо: text, json)");
    // A policy's value of another type decides nothing.
    DWORD number = 1;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, POLICY_KEY, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, LOG_FORMAT, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                            sizeof number));
    RegCloseKey(key);
    Log(L"снова пользователь");
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(u8"пользователь", Text(lines[0]));
    EXPECT_EQ(std::vector<std::string>{"машина\r\n"}, Entries(lines[1] + "\r\n"));
    EXPECT_EQ(u8"снова пользователь", Text(lines[2]));
}

// Without the setting, with "text" in any case, an empty value or one of
// another type, the entries are the text lines: time stamp, the text in
// the ANSI code page, "\r\n".
TEST_F(LogFormatTest, TextEntriesStayAsTheyAre) {
    Log(L"без настройки");
    Format("text");
    Log(L"текст");
    Format("Text");
    Log(L"Текст");
    Format("");
    Log(L"пусто");
    DWORD number = 1;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_CURRENT_USER, PLUGIN_KEY, LOG_FORMAT, REG_DWORD, &number, sizeof number));
    Log(L"число \"1\"\t\\");
    EXPECT_EQ((std::vector<std::string>{"без настройки\r\n", "текст\r\n", "Текст\r\n", "пусто\r\n",
                                        "число \"1\"\t\\\r\n"}),
              Entries(ReadWhole(file)));
}
