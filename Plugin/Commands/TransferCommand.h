// What aRvik.FileCopy and aRvik.FileMove share: aRvik.FileName to
// aRvik.FileTarget, over a target that is there only when aRvik.FileMode
// is "replace". The mode is checked first, then both names, before either
// is written back; each command gives its own words for its texts.
#pragma once

#include <TASession.h>

#include "Files/FileTransfer.h"

// unknownMode: the text before "aRvik.FileMode=..." when the mode is
// neither empty nor "replace"; action: the failed action in the names'
// texts ("скопировать файл").
void TransferCommand(TAXDK::Tallivant::TASession& values, Transfer transfer, const char* unknownMode,
                     const char* action);
