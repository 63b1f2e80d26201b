// TransferFile: what aRvik.FileCopy and aRvik.FileMove share once they
// have taken their names. The file from goes to to; a target that is there
// is refused unless replace says Yes; the target's folders are made. A move
// across volumes copies and then deletes (the system's
// MOVEFILE_COPY_ALLOWED).
//
// Checked before anything is touched: a target that is the source or, for
// a folder moved, lies inside it throws KLAppException "...: " and
// targetProperty, "=" and the target; a folder copied, or a device found
// behind either name, FileException. The source and the target are
// compared by the files themselves (FileIdentity), so any spelling of the
// same file or folder counts.
// A failure of the system throws FileException "Не удалось скопировать
// файл (...): " (or "переместить файл", "переместить папку") and the file
// it concerns; so does a move across volumes that copied but could not
// delete the file ("скопирован, но не удалён"), which the system counts a
// success.
#pragma once

#include "Files/FileName.h"

enum class Transfer { Copy, Move };
enum class Replace { No, Yes };

// from and to: full names, neither empty; targetProperty: the argument that
// named to, for the texts.
void TransferFile(const FileName& from, const FileName& to, const char* targetProperty, Transfer transfer,
                  Replace replace);
