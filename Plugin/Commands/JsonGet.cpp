// aRvik.JsonGet: the value JsonPath names in the JSON document JsonText,
// into Value, and its kind into Result.
#include "Commands/Commands.h"

#include <stdio.h>
#include <wchar.h>

#include <ShownText.h>
#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Text/JsonLookup.h"
#include "Text/JsonPath.h"

using TAXDK::Tallivant::TASession;

static const char kJsonText[] = "aRvik.JsonText";
static const char kJsonPath[] = "aRvik.JsonPath";
static const char kValue[] = "aRvik.Value";
static const char kResult[] = "aRvik.Result";

// The most a document may have, in UTF-8.
static const size_t textLimit = 64 << 20;

static string Offset(size_t offset) {
    char digits[24];
    snprintf(digits, sizeof digits, "%u", static_cast<unsigned>(offset));
    return string(digits);
}

void JsonGet(TASession& values) {
    CommandArguments arguments(values);
    // The document is read in place, kept for the next path.
    const wchar_t* document = arguments.WideView(kJsonText, CommandArguments::Stays);
    basic_text<wchar_t> pathText = arguments.WideText(kJsonPath);
    const wchar_t* pathChars = pathText.c_str() ? pathText.c_str() : L"";
    JsonPath path;
    if (!path.Parse(pathChars, pathText.length()))
        throw KLAppException(string("Неверный путь JSON: ") + kJsonPath + "=" + TAXDK::Standard::ShownText(pathChars));
    // Each character is a byte of UTF-8 at least.
    size_t length = wcslen(document);
    Buffer<char> text;
    if (length <= textLimit) TAXDK::Standard::CodePageBytes(CP_UTF8, document, length, false, text);
    if (length > textLimit || text.Size() > textLimit)
        throw KLAppException(string("Текст JSON больше 64 МБ в UTF-8: ") + kJsonText);
    text.Append("", 1);
    JsonLookup found(text.Data(), path);
    if (found.outcome == JsonLookup::TooDeep)
        throw KLAppException(string("Вложенность JSON глубже 512 (байт ") + Offset(found.offset) + "): " + kJsonText);
    if (found.outcome == JsonLookup::Malformed)
        throw KLAppException(string("Неверный JSON (байт ") + Offset(found.offset) + ": " + found.reason + "): " +
                             kJsonText);
    CoString value;
    TAXDK::Standard::CodePageText(CP_UTF8, found.value.Data(), found.value.Size(), value);
    values.SetWideString(kValue, value.get());
    if (found.outcome == JsonLookup::Found)
        values.SetString(kResult, JsonKindName(found.kind));
    else
        values.Clear(kResult);
    arguments.Done();
}
