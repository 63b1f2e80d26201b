// aRvik.FileRead: the file FileName into FileText, its mark or
// FileEncoding deciding how its bytes read.
#include "Commands/Commands.h"

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileEncoding.h"
#include "Files/FileName.h"
#include "Files/FileText.h"

using TAXDK::Tallivant::TASession;

static const char kEncoding[] = "aRvik.FileEncoding";

void FileRead(TASession& values, CommandState& state) {
    CommandArguments arguments(values);
    TextEncoding fallback = ParseEncoding(kEncoding, arguments.Text(kEncoding, CommandArguments::WhenGiven));
    FileName name = TakeFileName(arguments, "aRvik.FileName", "прочитать файл");
    CoString text;
    ReadFileText(name, fallback, text, &state.readBlock);
    values.SetWideString("aRvik.FileText", text);
    // The host has its own copy: the memory serves the next read.
    state.readBlock.Give(text.Detach());
    arguments.Done();
}
