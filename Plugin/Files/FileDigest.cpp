#include "Files/FileDigest.h"

#include <windows.h>
#include <bcrypt.h>

#include <string.h>

#include <Buffer.h>
#include <checks.h>
#include <refs.h>

#include "Files/ReadingStream.h"

namespace {

struct Algorithm {
    const char* name;
    const wchar_t* id;
};
const Algorithm algorithms[] = {{"sha256", BCRYPT_SHA256_ALGORITHM},
                                {"sha1", BCRYPT_SHA1_ALGORITHM},
                                {"sha512", BCRYPT_SHA512_ALGORITHM},
                                {"md5", BCRYPT_MD5_ALGORITHM}};

// The providers, opened once each; two threads that open one at once keep
// the first and close the other.
BCRYPT_ALG_HANDLE providers[4];

// A failed NTSTATUS of CNG as the Windows error it stands for: no memory
// (STATUS_NO_MEMORY), or a provider that cannot hash.
void CheckStatus(NTSTATUS status) {
    if (status >= 0) return;
    DWORD error = status == static_cast<NTSTATUS>(0xC0000017) ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_FUNCTION;
    THROW_WIN32(error);
}

BCRYPT_ALG_HANDLE Provider(HashKind kind) {
    void* volatile* slot = reinterpret_cast<void* volatile*>(&providers[static_cast<int>(kind)]);
    if (void* kept = InterlockedCompareExchangePointer(slot, nullptr, nullptr)) return kept;
    BCRYPT_ALG_HANDLE opened = nullptr;
    CheckStatus(BCryptOpenAlgorithmProvider(&opened, algorithms[static_cast<int>(kind)].id, nullptr, 0));
    if (void* first = InterlockedCompareExchangePointer(slot, opened, nullptr)) {
        BCryptCloseAlgorithmProvider(opened, 0);
        return first;
    }
    return opened;
}

// One hash under way, destroyed when it goes.
class Hashing {
public:
    explicit Hashing(HashKind kind) : provider_(Provider(kind)) {
        CheckStatus(BCryptCreateHash(provider_, &hash_, nullptr, 0, nullptr, 0, 0));
    }
    ~Hashing() { BCryptDestroyHash(hash_); }
    Hashing(const Hashing&) = delete;
    Hashing& operator=(const Hashing&) = delete;

    void Add(const void* bytes, ULONG size) {
        CheckStatus(BCryptHashData(hash_, static_cast<PUCHAR>(const_cast<void*>(bytes)), size, 0));
    }
    // The hash in lower-case hex.
    string Hex() {
        DWORD length = 0, size = 0;
        CheckStatus(BCryptGetProperty(provider_, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                      sizeof length, &size, 0));
        unsigned char digest[64];
        if (length > sizeof digest) THROW_WIN32(ERROR_INVALID_FUNCTION);
        CheckStatus(BCryptFinishHash(hash_, digest, length, 0));
        static const char digits[] = "0123456789abcdef";
        char text[2 * sizeof digest];
        for (DWORD k = 0; k < length; ++k) {
            text[2 * k] = digits[digest[k] >> 4];
            text[2 * k + 1] = digits[digest[k] & 15];
        }
        return string(text, 2 * length);
    }

private:
    BCRYPT_ALG_HANDLE provider_;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
};

const DWORD blockSize = 1 << 20;

}  // namespace

bool HashKindNamed(const char* name, HashKind& kind) {
    for (int k = 0; k < 4; ++k)
        if (_stricmp(name, algorithms[k].name) == 0) {
            kind = static_cast<HashKind>(k);
            return true;
        }
    return false;
}

string FileDigest(const FileName& name, HashKind kind) {
    ReadingStream file(name, "вычислить хеш файла");
    Hashing hashing(kind);
    aptr<char> block(new char[blockSize]);
    while (DWORD got = file.Read(block.get(), blockSize)) hashing.Add(block.get(), got);
    return hashing.Hex();
}
