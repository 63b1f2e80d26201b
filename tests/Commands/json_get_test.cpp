// aRvik.JsonGet.
#include <string>

#include "Commands/CommandsTest.h"

namespace {

struct JsonGetTest : CommandTest {
    // Looks path up in document, which must succeed; the value, wide.
    std::wstring Get(const std::wstring& document, const std::wstring& path) {
        session->Set(L"aRvik.JsonText", document.c_str());
        session->Set(L"aRvik.JsonPath", path.c_str());
        Record record;
        EXPECT_EQ(S_OK, Command(L"aRvik.JsonGet", &record))
            << Narrow(path.c_str()) << ": " << Narrow(record.bstrDescription ? record.bstrDescription : L"");
        // The document stays for the next path; the path is cleared.
        EXPECT_EQ(document, std::wstring(session->Value(L"aRvik.JsonText")));
        EXPECT_EQ(L"", std::wstring(session->Value(L"aRvik.JsonPath")));
        return session->Value(L"aRvik.Value");
    }
    std::string Kind() { return CommandTest::Get(L"aRvik.Result"); }
    // Looks path up in document, which must fail with reason and leave the
    // arguments and results as they were.
    void Fails(const std::wstring& document, const std::wstring& path, const std::string& reason) {
        session->Set(L"aRvik.JsonText", document.c_str());
        session->Set(L"aRvik.JsonPath", path.c_str());
        session->Set(L"aRvik.Value", L"before");
        session->Set(L"aRvik.Result", L"kind");
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.JsonGet", &record)) << reason;
        EXPECT_EQ(59999, record.wCode);
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        EXPECT_EQ(document, std::wstring(session->Value(L"aRvik.JsonText")));
        EXPECT_EQ(path, std::wstring(session->Value(L"aRvik.JsonPath")));
        EXPECT_EQ(L"before", std::wstring(session->Value(L"aRvik.Value")));
        EXPECT_EQ("kind", Kind());
    }
};

}  // namespace

TEST_F(JsonGetTest, TakesMembersAndElementsWithCyrillicAndEscapes) {
    std::wstring document =
        L"{\"имя\": \"Жук\", \"items\": [{\"name\": \"Ёж\"}, {\"name\": \"ёлка\"}],"
        L" \"s\": \"\\u0416\\n\\\"x\\\\\\/\", \"smile\": \"\\ud83d\\ude00!\"}";
    EXPECT_EQ(L"Жук", Get(document, L"имя"));
    EXPECT_EQ("string", Kind());
    EXPECT_EQ(L"Ёж", Get(document, L"items[0].name"));
    EXPECT_EQ(L"ёлка", Get(document, L"items[1].name"));
    EXPECT_EQ(L"Ж\n\"x\\/", Get(document, L"s"));
    EXPECT_EQ(L"\xD83D\xDE00!", Get(document, L"smile"));
    EXPECT_EQ("string", Kind());
}

TEST_F(JsonGetTest, GivesNumbersAsWrittenAndTheOtherKinds) {
    std::wstring document = L"{\"a\": 1e3, \"b\": -0.50, \"c\": 0, \"d\": 12345678901234567890123, \"t\": true,"
                            L" \"f\": false, \"n\": null, \"o\": { \"x\" : [1, 2 ,{\"y\":\"Ж\\n\"}] , \"z\":null },"
                            L" \"e\": [], \"eo\": {}}";
    const struct {
        const wchar_t* path;
        const wchar_t* value;
        const char* kind;
    } cases[] = {
        {L"a", L"1e3", "number"},
        {L"b", L"-0.50", "number"},
        {L"c", L"0", "number"},
        {L"d", L"12345678901234567890123", "number"},
        {L"t", L"true", "bool"},
        {L"f", L"false", "bool"},
        {L"n", L"null", "null"},
        {L"o", L"{\"x\":[1,2,{\"y\":\"Ж\\n\"}],\"z\":null}", "object"},
        {L"o.x", L"[1,2,{\"y\":\"Ж\\n\"}]", "array"},
        {L"o.x[2]", L"{\"y\":\"Ж\\n\"}", "object"},
        {L"o.x[2].y", L"Ж\n", "string"},
        {L"o.z", L"null", "null"},
        {L"e", L"[]", "array"},
        {L"eo", L"{}", "object"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.value, Get(document, c.path)) << Narrow(c.path);
        EXPECT_EQ(c.kind, Kind()) << Narrow(c.path);
    }
    // The empty path: the whole document, compact.
    EXPECT_EQ(L"[1,\"a\",{\"b\":[]}]", Get(L" [ 1 , \"a\" , { \"b\" : [ ] } ] ", L""));
    EXPECT_EQ("array", Kind());
    EXPECT_EQ(L"42.0", Get(L" 42.0 ", L""));
    EXPECT_EQ("number", Kind());
}

TEST_F(JsonGetTest, QuotedNamesHoldDotsBracketsAndEscapes) {
    std::wstring document = L"{\"a.b\": {\"c[0]\": 5}, \"q\\\"k\": 1, \"b\\\\s\": 2, \"\": 3, \"a\": {\"b\": 4},"
                            L" \"x\": [[10, 11], [20, {\"y z\": 21}]]}";
    EXPECT_EQ(L"5", Get(document, L"[\"a.b\"][\"c[0]\"]"));
    EXPECT_EQ(L"1", Get(document, L"[\"q\\\"k\"]"));
    EXPECT_EQ(L"2", Get(document, L"[\"b\\\\s\"]"));
    EXPECT_EQ(L"3", Get(document, L"[\"\"]"));
    EXPECT_EQ(L"4", Get(document, L"a.b"));
    EXPECT_EQ(L"4", Get(document, L"a[\"b\"]"));
    EXPECT_EQ(L"11", Get(document, L"x[0][1]"));
    EXPECT_EQ(L"21", Get(document, L"x[1][1].y z"));
    EXPECT_EQ("number", Kind());
}

TEST_F(JsonGetTest, AnAbsentPathIsASuccessWithNothing) {
    std::wstring document = L"{\"items\": [{\"name\": \"a\"}], \"n\": null, \"s\": \"text\"}";
    for (const wchar_t* path : {L"items[1]", L"items[0].nope", L"nope", L"nope.x", L"items.name", L"n.x", L"s[0]",
                                L"items[0][0]", L"s.x"}) {
        session->Set(L"aRvik.Value", L"before");
        session->Set(L"aRvik.Result", L"kind");
        EXPECT_EQ(L"", Get(document, path)) << Narrow(path);
        EXPECT_EQ("", Kind()) << Narrow(path);
    }
    // The first of two members of one name.
    EXPECT_EQ(L"1", Get(L"{\"a\": 1, \"a\": 2}", L"a"));
}

TEST_F(JsonGetTest, NestingTo512IsReadDeeperRefused) {
    std::wstring deep500 = std::wstring(500, L'[') + std::wstring(500, L']');
    EXPECT_EQ(std::wstring(499, L'[') + std::wstring(499, L']'), Get(deep500, L"[0]"));
    std::wstring deep512 = std::wstring(512, L'[') + L"7" + std::wstring(512, L']');
    std::wstring path;
    for (int k = 0; k < 512; ++k) path += L"[0]";
    EXPECT_EQ(L"7", Get(deep512, path));
    // The 513th level stops the reader at its bracket, whatever the path;
    // the object is the first level of the second document.
    std::wstring deep600 = std::wstring(600, L'[') + std::wstring(600, L']');
    Fails(deep600, L"", "Вложенность JSON глубже 512 (байт 512): aRvik.JsonText");
    Fails(L"{\"a\": 1, \"b\": " + deep600 + L"}", L"a", "Вложенность JSON глубже 512 (байт 525): aRvik.JsonText");
}

TEST_F(JsonGetTest, MalformedDocumentsFailWithTheByteAndTheReason) {
    const struct {
        const wchar_t* document;
        const char* reason;
    } cases[] = {
        {L"", "Неверный JSON (байт 0: документ пуст): aRvik.JsonText"},
        {L"   ", "Неверный JSON (байт 3: документ пуст): aRvik.JsonText"},
        // "а" is two bytes in UTF-8. The byte is where the reader stopped:
        // after a word it could not finish, at the backslash of an escape.
        {L"{\"а\":1,}", "Неверный JSON (байт 8: нет имени члена объекта): aRvik.JsonText"},
        {L"{\"а\" 1}", "Неверный JSON (байт 6: нет двоеточия после имени): aRvik.JsonText"},
        {L"{\"a\":1 \"b\":2}", "Неверный JSON (байт 7: нет запятой или } в объекте): aRvik.JsonText"},
        {L"[1 2]", "Неверный JSON (байт 3: нет запятой или ] в массиве): aRvik.JsonText"},
        {L"{\"a\":1} x", "Неверный JSON (байт 8: текст после значения): aRvik.JsonText"},
        {L"[tru]", "Неверный JSON (байт 4: неверное значение): aRvik.JsonText"},
        {L"[\"\\x\"]", "Неверный JSON (байт 2: неверная последовательность с \\): aRvik.JsonText"},
        {L"[\"\\u12G4\"]", "Неверный JSON (байт 2: неверная последовательность \\u): aRvik.JsonText"},
        {L"[\"\\ud800\"]", "Неверный JSON (байт 2: неверная суррогатная пара): aRvik.JsonText"},
        {L"[\"Жук", "Неверный JSON (байт 8: строка без закрывающей кавычки): aRvik.JsonText"},
        {L"[1.]", "Неверный JSON (байт 3: нет цифр после точки): aRvik.JsonText"},
        {L"[1e]", "Неверный JSON (байт 3: нет цифр в порядке числа): aRvik.JsonText"},
        {L"{'a':1}", "Неверный JSON (байт 1: нет имени члена объекта): aRvik.JsonText"},
        {L"[1,]", "Неверный JSON (байт 3: неверное значение): aRvik.JsonText"},
    };
    for (const auto& c : cases) Fails(c.document, L"a", c.reason);
}

TEST_F(JsonGetTest, APathThatIsNoneIsRefusedNamingIt) {
    for (const wchar_t* path : {L"a..b", L".a", L"a.", L"[x]", L"[]", L"[-1]", L"[\"a]", L"[\"a\"", L"a[1", L"a]",
                                L"[0]b", L"a.[0]", L"[\"a\\n\"]", L"[1234567890]"})
        Fails(L"{}", path, "Неверный путь JSON: aRvik.JsonPath=" + Narrow(path));
    Fails(L"{}", L"a\r\nb..", "Неверный путь JSON: aRvik.JsonPath=a??b..");
}

TEST_F(JsonGetTest, ADocumentOver64MiBInUtf8IsRefused) {
    std::wstring big(64 << 20, L' ');
    big[0] = L'1';
    EXPECT_EQ(L"1", Get(big, L""));
    big += L' ';
    Fails(big, L"", "Текст JSON больше 64 МБ в UTF-8: aRvik.JsonText");
    // Fewer characters, more bytes: Cyrillic letters are two each.
    std::wstring cyrillic = L"\"" + std::wstring(32 << 20, L'Ж') + L"\"";
    Fails(cyrillic, L"", "Текст JSON больше 64 МБ в UTF-8: aRvik.JsonText");
}
