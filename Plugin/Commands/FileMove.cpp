// aRvik.FileMove: moves the file or folder aRvik.FileName to
// aRvik.FileTarget.
#include "Commands.h"

#include <TASession.h>

#include "CommandArguments.h"
#include "FileTransfer.h"

void FileMove(TAXDK::Tallivant::TASession& values, CommandState&) {
    CommandArguments arguments(values);
    FileTransfer(arguments, FileTransfer::Move).Run();
    arguments.Done();
}
