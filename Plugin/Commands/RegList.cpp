// aRvik.RegList: the subkeys of the key RegKey names, each with a closing
// "\", then the names of its values, each group in NameOrder's order, one
// a line into Value; their count into Result. The default value, which
// has no name, is not listed.
#include "Commands/Commands.h"

#include <wchar.h>

#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Commands/RegistryArguments.h"
#include "Files/NameOrder.h"

using TAXDK::Tallivant::TASession;

static const char kValue[] = "aRvik.Value";
static const char kResult[] = "aRvik.Result";
static const char kAction[] = "прочитать раздел реестра";

namespace {

// One group of names, each zero-terminated in one run.
struct Names {
    Buffer<wchar_t> text;
    Buffer<size_t> at;

    void Add(const wchar_t* name, size_t length) {
        size_t start = text.Size();
        at.Append(&start, 1);
        text.Append(name, length);
        text.Append(L"", 1);
    }
};

}  // namespace

// The names of the subkeys (values false) or the values of key.
static void Read(const RegistryArguments& registry, HKEY key, bool values, Names& names) {
    // A value's name has at most 16,383 characters, a key's 255.
    wchar_t name[16384];
    for (DWORD index = 0;; ++index) {
        DWORD length = 16384;
        LONG error = values ? RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (error == ERROR_NO_MORE_ITEMS) return;
        if (error != ERROR_SUCCESS) throw registry.Failure(kAction, error, false);
        if (length) names.Add(name, length);
    }
}

// The names in NameOrder's order, each with mark after it, appended to text.
static void Sorted(const RegistryArguments& registry, Names& names, const wchar_t* mark, Buffer<wchar_t>& text) {
    size_t count = names.at.Size();
    Buffer<const wchar_t*> pointers;
    const wchar_t** name = pointers.Room(count + 1);
    for (size_t k = 0; k < count; ++k) name[k] = names.text.Data() + names.at.Data()[k];
    Buffer<size_t> order;
    size_t* first = order.Room(count + 1);
    DWORD error = SortNames(name, count, first);
    if (error) throw registry.Failure(kAction, static_cast<LONG>(error), false);
    for (size_t k = 0; k < count; ++k) {
        if (text.Size()) text.Append(L"\r\n", 2);
        const wchar_t* one = name[first[k]];
        text.Append(one, wcslen(one));
        text.Append(mark, wcslen(mark));
    }
}

void RegList(TASession& values) {
    CommandArguments arguments(values);
    RegistryArguments registry(arguments);
    RegistryKey key = registry.Open(KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, kAction);
    Names subkeys, valueNames;
    Read(registry, key.get(), false, subkeys);
    Read(registry, key.get(), true, valueNames);
    key.Close();
    Buffer<wchar_t> text;
    Sorted(registry, subkeys, L"\\", text);
    Sorted(registry, valueNames, L"", text);
    BSTR wide = SysAllocStringLen(text.Data(), static_cast<UINT>(text.Size()));
    if (!wide) throw KLAppException("Текст слишком длинный");
    CoString list;
    *list.Out() = wide;
    values.SetWideString(kValue, list.get());
    values.SetUnsigned(kResult, static_cast<unsigned>(subkeys.at.Size() + valueNames.at.Size()));
    arguments.Done();
}
