// aRvik.FileCopy: copies the file aRvik.FileName to aRvik.FileTarget
// (TransferCommand.h).
#include "Commands/Commands.h"

#include "Commands/TransferCommand.h"

void FileCopy(TAXDK::Tallivant::TASession& values) {
    TransferCommand(values, Transfer::Copy, "Неизвестный режим копирования: ", "скопировать файл");
}
