// aRvik.FileCopy: copies the file aRvik.FileName to aRvik.FileTarget.
#include "Commands/Commands.h"

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Files/FileTransfer.h"

void FileCopy(TAXDK::Tallivant::TASession& values) {
    CommandArguments arguments(values);
    FileTransfer(arguments, FileTransfer::Copy).Run();
    arguments.Done();
}
