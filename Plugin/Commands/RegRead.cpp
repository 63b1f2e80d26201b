// aRvik.RegRead: the value RegValue names (empty: the key's default value)
// in the key RegKey names, in the view RegView asks for: its data as text
// into Value (RegistryData), its type's name into Result.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Commands/RegistryArguments.h"
#include "Registry/RegistryData.h"

using TAXDK::Tallivant::TASession;

static const char kValue[] = "aRvik.Value";
static const char kResult[] = "aRvik.Result";
static const char kAction[] = "прочитать значение реестра";

void RegRead(TASession& values) {
    CommandArguments arguments(values);
    RegistryArguments registry(arguments);
    RegistryKey key = registry.Open(KEY_QUERY_VALUE, kAction);
    // Most values fit the room on the stack: one request of the system each.
    BYTE small[512];
    Buffer<BYTE> large;
    BYTE* data = small;
    DWORD type = REG_NONE, size = sizeof small;
    LONG error;
    while ((error = RegQueryValueExW(key.get(), registry.Value(), nullptr, &type, data, &size)) == ERROR_MORE_DATA) {
        large.Clear();
        data = large.Room(size);
    }
    if (error != ERROR_SUCCESS) throw registry.Failure(kAction, error, true);
    key.Close();
    Buffer<wchar_t> text;
    RegistryTextOf(type, data, size, text);
    BSTR wide = SysAllocStringLen(text.Data(), static_cast<UINT>(text.Size()));
    if (!wide) throw KLAppException("Текст слишком длинный");
    CoString value;
    *value.Out() = wide;
    char number[12];
    values.SetWideString(kValue, value.get());
    values.SetString(kResult, RegistryTypeName(type, number));
    arguments.Done();
}
