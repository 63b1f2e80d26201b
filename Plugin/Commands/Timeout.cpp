#include "Commands/Timeout.h"

#include <math.h>

#include <ShownText.h>
#include <exceptions.h>

DWORD ReadTimeout(const CommandArguments::Number& timeout) {
    if (!timeout.Given()) return INFINITE;
    string given = string(timeout.name) + "=" + TAXDK::Standard::ShownText(timeout.text).c_str();
    if (timeout.value != floor(timeout.value)) throw KLAppException(string("Неверный формат числа: ") + given);
    if (timeout.value < 0) throw KLAppException(string("Время ожидания не может быть отрицательным: ") + given);
    if (timeout.value >= static_cast<double>(INFINITE))
        throw KLAppException(string("Время ожидания больше 4294967294 мс: ") + given);
    return static_cast<DWORD>(timeout.value);
}
