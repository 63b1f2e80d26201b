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
    // Most values fit the first room: one request of the system each.
    Buffer<BYTE> data;
    DWORD type = REG_NONE, size = 512;
    LONG error;
    for (;;) {
        BYTE* room = data.Room(size);
        error = RegQueryValueExW(key.get(), registry.Value(), nullptr, &type, room, &size);
        if (error != ERROR_MORE_DATA) break;
    }
    if (error != ERROR_SUCCESS) throw registry.Failure(kAction, error, true);
    data.Grow(size);
    Buffer<wchar_t> text;
    RegistryTextOf(type, data.Data(), data.Size(), text);
    BSTR wide = SysAllocStringLen(text.Data(), static_cast<UINT>(text.Size()));
    if (!wide) throw KLAppException("Текст слишком длинный");
    CoString value;
    *value.Out() = wide;
    char number[12];
    values.SetWideString(kValue, value.get());
    values.SetString(kResult, RegistryTypeName(type, number));
    arguments.Done();
}
