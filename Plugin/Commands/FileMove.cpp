// aRvik.FileMove: moves the file or folder aRvik.FileName to
// aRvik.FileTarget (TransferCommand.h).
#include "Commands/Commands.h"

#include "Commands/TransferCommand.h"

void FileMove(TAXDK::Tallivant::TASession& values) {
    TransferCommand(values, Transfer::Move, "Неизвестный режим перемещения: ", "переместить файл");
}
