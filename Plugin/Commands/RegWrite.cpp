// aRvik.RegWrite: Value, as RegType says (REG_SZ when empty), into the
// value RegValue names (empty: the default value) of the key RegKey names,
// made when it is missing, in the view RegView asks for.
#include "Commands/Commands.h"

#include <ShownText.h>
#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/RegistryArguments.h"
#include "Registry/RegistryData.h"

using TAXDK::Standard::ShownText;
using TAXDK::Tallivant::TASession;

static const char kRegType[] = "aRvik.RegType";
static const char kValue[] = "aRvik.Value";
static const char kAction[] = "записать значение реестра";

void RegWrite(TASession& values) {
    CommandArguments arguments(values);
    RegistryArguments registry(arguments);
    basic_text<wchar_t> typeText = arguments.WideText(kRegType, CommandArguments::WhenGiven);
    const wchar_t* typeName = typeText.c_str() ? typeText.c_str() : L"";
    DWORD type;
    if (!ParseRegistryType(typeName, type))
        throw KLAppException(string("Неизвестный тип значения реестра: ") + kRegType + "=" + ShownText(typeName));
    basic_text<wchar_t> valueText = arguments.WideText(kValue);
    const wchar_t* text = valueText.c_str() ? valueText.c_str() : L"";
    Buffer<BYTE> data;
    char number[12];
    if (!RegistryDataOf(type, text, valueText.length(), data))
        throw KLAppException(string("Значение не подходит к типу ") + RegistryTypeName(type, number) + ": " + kValue +
                             "=" + ShownText(text));
    const RegistryPath& path = registry.Path();
    RegistryKey key;
    LONG error = RegCreateKeyExW(path.root, path.below.c_str() ? path.below.c_str() : L"", 0, nullptr, 0,
                                 KEY_SET_VALUE | registry.View(), nullptr, key.Put(), nullptr);
    if (error != ERROR_SUCCESS) {
        key.Detach();
        throw registry.Failure(kAction, error, false);
    }
    error = RegSetValueExW(key.get(), registry.Value(), 0, type, data.Data(), static_cast<DWORD>(data.Size()));
    if (error != ERROR_SUCCESS) throw registry.Failure(kAction, error, true);
    arguments.Done();
}
