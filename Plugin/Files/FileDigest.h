// FileDigest: a file's hash through the system's CNG (bcrypt): SHA-256,
// SHA-1, SHA-512 or MD5, the file read in blocks of 1 MiB from its start to
// its end, any size. Each algorithm's provider is opened at its first use
// and kept for the process: opening one costs more than hashing a small
// file. Safe for several threads at once.
#pragma once

#include <str.h>

#include "Files/FileName.h"

enum class HashKind { Sha256, Sha1, Sha512, Md5 };

// The algorithm named ("sha256", "SHA1"...: case ignored); false for another.
bool HashKindNamed(const char* name, HashKind& kind);

// The hash of the file in lower-case hex. Failures throw FileFailure
// "Не удалось вычислить хеш файла (...): " and the name (ReadingStream).
string FileDigest(const FileName& name, HashKind kind);
