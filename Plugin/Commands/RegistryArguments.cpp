#include "Commands/RegistryArguments.h"

#include <stdio.h>

#include <ShownText.h>

using TAXDK::Standard::ShownText;

static const char kRegKey[] = "aRvik.RegKey";
static const char kRegValue[] = "aRvik.RegValue";
static const char kRegView[] = "aRvik.RegView";

static const wchar_t* Chars(const basic_text<wchar_t>& text) { return text.c_str() ? text.c_str() : L""; }

RegistryArguments::RegistryArguments(CommandArguments& arguments)
    : key_(arguments.WideView(kRegKey, CommandArguments::Stays)),
      value_(arguments.WideView(kRegValue, CommandArguments::Stays)) {
    const wchar_t* view = arguments.WideView(kRegView, CommandArguments::WhenGiven);
    if (!*key_) throw KLAppException(string("Не указан раздел реестра: ") + kRegKey + "=");
    if (!path_.Parse(key_))
        throw KLAppException(string("Неизвестный корневой раздел реестра: ") + kRegKey + "=" + ShownText(key_));
    if (!ParseRegistryView(view, view_))
        throw KLAppException(string("Неверное представление реестра: ") + kRegView + "=" + ShownText(view));
}

RegistryKey RegistryArguments::Open(REGSAM access, const char* action) const {
    RegistryKey key;
    LONG error = RegOpenKeyExW(path_.root, Chars(path_.below), 0, access | view_, key.Put());
    if (error != ERROR_SUCCESS) {
        key.Detach();
        throw Failure(action, error, false);
    }
    return key;
}

KLAppException RegistryArguments::Failure(const char* action, LONG error, bool ofValue) const {
    char reason[32];
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        snprintf(reason, sizeof reason, "%s", ofValue ? "значение не найдено" : "раздел не найден");
    else if (error == ERROR_ACCESS_DENIED)
        snprintf(reason, sizeof reason, "нет доступа");
    else
        snprintf(reason, sizeof reason, "ошибка %ld", static_cast<long>(error));
    return Failure(action, reason, ofValue);
}

KLAppException RegistryArguments::Failure(const char* action, const char* reason, bool ofValue) const {
    string text = string("Не удалось ") + action + " (" + reason + "): " + kRegKey + "=" + ShownText(key_);
    if (ofValue) text += string(", ") + kRegValue + "=" + ShownText(value_);
    return KLAppException(text);
}
