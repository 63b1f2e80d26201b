// aRvik.FileRead: the file FileName into FileText, its mark or
// FileEncoding deciding how its bytes read.
#include "Commands/Commands.h"

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Commands/CommandState.h"
#include "Commands/FileArgument.h"
#include "Files/FileEncoding.h"
#include "Files/FileName.h"
#include "Files/FileText.h"
#include "Files/KeptTextBlock.h"

using TAXDK::Tallivant::TASession;

static const char kEncoding[] = "aRvik.FileEncoding";

void FileRead(TASession& values, KeptTextBlock& readBlock) {
    CommandArguments arguments(values);
    TextEncoding fallback = ParseEncoding(kEncoding, arguments.Text(kEncoding, CommandArguments::WhenGiven));
    FileName name = TakeFileName(arguments, "aRvik.FileName", "прочитать файл");
    CoString text;
    ReadFileText(name, fallback, text, &readBlock);
    values.SetWideString("aRvik.FileText", text);
    // The host has its own copy: the memory serves the next read.
    readBlock.Give(text.Detach());
    arguments.Done();
}

// The block of the extender's CommandState.
void MakeState(KeptTextBlock*& made) { made = new KeptTextBlock; }
void DeleteState(KeptTextBlock* block) { delete block; }
