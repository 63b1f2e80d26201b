// aRvik.PutEnv: sets the host's environment variable Name to
// Value, for the programs it starts from now on.
#include "Commands/Commands.h"

#include <stdlib.h>
#include <string.h>

#include <Buffer.h>
#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Format.h>

#include "Commands/CommandArguments.h"
#include "Commands/EnvironmentLock.h"

using TAXDK::Tallivant::TASession;

static const char kName[] = "aRvik.Name";

void PutEnv(TASession& values) {
    CommandArguments arguments(values);
    // Both are cleared, given or not, the value first: once the name reads
    // empty, so does the value. The value is read only for a name that can
    // be set.
    CommandArguments::Later valueGiven = arguments.TextLater("aRvik.Value");
    string name = VariableText(arguments.WideText(kName));
    CheckVariableName(kName, name);
    // A name holding "=" would set another variable than the one named.
    if (!name.empty() && !strchr(name, '=')) {
        string value = VariableText(valueGiven.WideText());
        // A longer value is kept cut or garbled, or faults later.
        if (value.length() > 32766)
            throw KLAppException(FormatBuffer(96, "Значение переменной среды длиннее 32766 знаков (%lu): ",
                                              static_cast<unsigned long>(value.length())) +
                                 "aRvik.Value");
        Trevan::Lock hold(EnvironmentLock());
        _putenv(name + "=" + value.c_str());
    }
    arguments.Done();
}

Trevan::CriticalSection& EnvironmentLock() {
    static Trevan::CriticalSection lock;
    return lock;
}

string VariableText(const basic_text<wchar_t>& text) {
    Buffer<char> bytes;
    TAXDK::Standard::CodePageBytes(CP_ACP, text.c_str(), text.length(), true, bytes);
    return string(bytes.Data(), bytes.Size());
}

void CheckVariableName(const char* property, const string& name) {
    const size_t longest = 32766;
    size_t length = name.length();
    if (length > longest)
        throw KLAppException(FormatBuffer(96, "Имя переменной среды длиннее 32766 знаков (%lu): ",
                                          static_cast<unsigned long>(length)) +
                             property);
}
