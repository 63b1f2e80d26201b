#include "Commands/TransferCommand.h"

#include <ShownText.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"

static const char kFileName[] = "aRvik.FileName";
static const char kFileTarget[] = "aRvik.FileTarget";
static const char kFileMode[] = "aRvik.FileMode";

void TransferCommand(TAXDK::Tallivant::TASession& values, Transfer transfer, const char* unknownMode,
                     const char* action) {
    CommandArguments arguments(values);
    string mode = arguments.Text(kFileMode, CommandArguments::WhenGiven);
    bool replace = keystring(mode) == "replace";
    if (!mode.empty() && !replace)
        throw KLAppException(string(unknownMode) + kFileMode + "=" + TAXDK::Standard::ShownText(mode) +
                             " (допустимо: replace)");
    FileArgument from = CheckFileArgument(arguments, kFileName, action);
    if (from.name.Empty()) throw KLAppException(string("Не указан файл: ") + kFileName + "=");
    FileArgument to = CheckFileArgument(arguments, kFileTarget, action);
    if (to.name.Empty()) throw KLAppException(string("Не указан файл: ") + kFileTarget + "=");
    WriteBack(arguments, from);
    WriteBack(arguments, to);
    TransferFile(from.name, to.name, kFileTarget, transfer, replace ? Replace::Yes : Replace::No);
    arguments.Done();
}
