// aRvik.FileHash: the hash of the file FileName in Value, lower-case hex,
// by HashAlgorithm: sha256 when none is given, sha1, sha512 or md5
// (Files/FileDigest.h).
#include "Commands/Commands.h"

#include <ShownText.h>
#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileDigest.h"

using TAXDK::Tallivant::TASession;

static const char kFileName[] = "aRvik.FileName";
static const char kHashAlgorithm[] = "aRvik.HashAlgorithm";
static const char kValue[] = "aRvik.Value";

void FileHash(TASession& values) {
    CommandArguments arguments(values);
    string algorithm = arguments.Text(kHashAlgorithm, CommandArguments::WhenGiven);
    HashKind kind = HashKind::Sha256;
    if (!algorithm.empty() && !HashKindNamed(algorithm, kind))
        throw KLAppException(string("Неизвестный алгоритм хеширования: ") + kHashAlgorithm + "=" +
                             TAXDK::Standard::ShownText(algorithm) + " (допустимо: sha256, sha1, sha512, md5)");
    FileName name = TakeNeededFileName(arguments, kFileName, "вычислить хеш файла");
    values.SetString(kValue, FileDigest(name, kind));
    arguments.Done();
}
