// aRvik.FileCopy: copies the file aRvik.FileName to aRvik.FileTarget,
// over a target that is there only when aRvik.FileMode is "replace". Both
// names are checked before either is written back.
#include "Commands/Commands.h"

#include <ShownText.h>
#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileTransfer.h"

static const char kFileName[] = "aRvik.FileName";
static const char kFileTarget[] = "aRvik.FileTarget";
static const char kFileMode[] = "aRvik.FileMode";

void FileCopy(TAXDK::Tallivant::TASession& values) {
    CommandArguments arguments(values);
    string mode = arguments.Text(kFileMode, CommandArguments::WhenGiven);
    bool replace = keystring(mode) == "replace";
    if (!mode.empty() && !replace)
        throw KLAppException(string("Неизвестный режим копирования: ") + kFileMode + "=" +
                             TAXDK::Standard::ShownText(mode) + " (допустимо: replace)");
    FileArgument from = CheckFileArgument(arguments, kFileName, "скопировать файл");
    if (from.name.Empty()) throw KLAppException(string("Не указан файл: ") + kFileName + "=");
    FileArgument to = CheckFileArgument(arguments, kFileTarget, "скопировать файл");
    if (to.name.Empty()) throw KLAppException(string("Не указан файл: ") + kFileTarget + "=");
    WriteBack(arguments, from);
    WriteBack(arguments, to);
    TransferFile(from.name, to.name, kFileTarget, Transfer::Copy, replace ? Replace::Yes : Replace::No);
    arguments.Done();
}
