// aRvik.FileMove: moves the file or folder aRvik.FileName to
// aRvik.FileTarget.
#include "Commands/Commands.h"

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Files/FileTransfer.h"

void FileMove(TAXDK::Tallivant::TASession& values) {
    CommandArguments arguments(values);
    FileTransfer(arguments, FileTransfer::Move).Run();
    arguments.Done();
}
