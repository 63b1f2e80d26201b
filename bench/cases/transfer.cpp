// download, hash: a GET of 64 MiB from the local server into a file,
// aRvik.Http with aRvik.OutFile (replacing the file each time) against
// WinHTTP read into WriteFile directly (query what is there, read it in
// 64 KiB, write it); and the SHA-256 of a file of 256 MiB, aRvik.FileHash
// against CreateFile, ReadFile in blocks of 1 MiB and BCryptHashData.
// Every variant's file or hash is checked after each run.
#include <winsock2.h>

#include "Cases.h"

#include "../Text.h"

#include <bcrypt.h>
#include <winhttp.h>

#include <memory>

#include <HostSession.h>
#include <LocalHttpServer.h>
#include <checks.h>
#include <exceptions.h>

static const unsigned long long downloadSize = 64ull << 20;
static const DWORD hashedSize = 256u << 20;

static void CheckSize(const std::string& name, unsigned long long size, const char* what) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    unsigned long long got = GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)
                                 ? (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                                 : 0;
    if (got != size)
        throw KLAppException(string(what) + " left " + std::to_string(got).c_str() + " bytes, not " +
                             std::to_string(size).c_str());
}

// The whole body of path into the file, through one session made once.
class DirectDownload {
public:
    explicit DirectDownload(unsigned short port) : port_(port) {
        session_ = WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0);
        THROW_LAST_ERROR_IF(!session_);
    }
    ~DirectDownload() { WinHttpCloseHandle(session_); }
    void operator()(const std::string& name) {
        HINTERNET connection = WinHttpConnect(session_, L"127.0.0.1", port_, 0);
        THROW_LAST_ERROR_IF(!connection);
        HINTERNET request = WinHttpOpenRequest(connection, L"GET", L"/big", nullptr, WINHTTP_NO_REFERER,
                                               WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        bool done = request && file != INVALID_HANDLE_VALUE &&
                    WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
                    WinHttpReceiveResponse(request, nullptr);
        static char chunk[64 << 10];
        for (DWORD available = 0; done && (done = WinHttpQueryDataAvailable(request, &available)) && available;) {
            DWORD got = 0, put = 0;
            done = WinHttpReadData(request, chunk, available < sizeof chunk ? available : sizeof chunk, &got) &&
                   WriteFile(file, chunk, got, &put, nullptr);
        }
        DWORD error = done ? 0 : GetLastError();
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        if (request) WinHttpCloseHandle(request);
        WinHttpCloseHandle(connection);
        if (error) THROW_WIN32(error);
    }

private:
    HINTERNET session_ = nullptr;
    unsigned short port_;
};

// SHA-256 of the file, read as FileHash reads it; the provider opened once.
class DirectHash {
public:
    DirectHash() {
        if (BCryptOpenAlgorithmProvider(&provider_, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0)
            THROW_WIN32(ERROR_INVALID_FUNCTION);
    }
    ~DirectHash() { BCryptCloseAlgorithmProvider(provider_, 0); }
    std::string operator()(const std::string& name) {
        HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        THROW_LAST_ERROR_IF(file == INVALID_HANDLE_VALUE);
        BCRYPT_HASH_HANDLE hash = nullptr;
        BCryptCreateHash(provider_, &hash, nullptr, 0, nullptr, 0, 0);
        std::unique_ptr<char[]> block(new char[1 << 20]);
        DWORD got = 0;
        while (ReadFile(file, block.get(), 1 << 20, &got, nullptr) && got)
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(block.get()), got, 0);
        unsigned char digest[32];
        BCryptFinishHash(hash, digest, sizeof digest, 0);
        BCryptDestroyHash(hash);
        CloseHandle(file);
        char text[65];
        for (int k = 0; k < 32; ++k) snprintf(text + 2 * k, 3, "%02x", digest[k]);
        return text;
    }

private:
    BCRYPT_ALG_HANDLE provider_ = nullptr;
};

static void DownloadCase(const Context& c) {
    LocalHttpServer server([](const HttpExchange&) { return PatternReply(downloadSize); });
    if (server.error) THROW_WIN32(static_cast<DWORD>(server.error));
    std::string url = server.Url("/big"), ours = *c.scratch + "ours.bin", theirs = *c.scratch + "direct.bin";
    std::wstring wideUrl(url.begin(), url.end()), wideName(ours.begin(), ours.end());
    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.Http");
    DirectDownload direct(server.Port());
    std::vector<Result> results = Measure(Budget(c, 20.0, 5, 15, 1), {PluginVariant(c, 1, [&] {
        session->Set(L"aRvik.Url", wideUrl.c_str());
        session->Set(L"aRvik.OutFile", wideName.c_str());
        session->Set(L"aRvik.FileMode", L"replace");
        Stopwatch watch;
        CheckResult(c.plugin->Command(session.get(), name), "aRvik.Http");
        double seconds = watch.Seconds();
        CheckSize(ours, downloadSize, "aRvik.Http");
        return seconds;
    }), Variant{1, [&] {
        Stopwatch watch;
        direct(theirs);
        double seconds = watch.Seconds();
        CheckSize(theirs, downloadSize, "the direct download");
        return seconds;
    }, ""}});
    DeleteFileA(ours.c_str());
    DeleteFileA(theirs.c_str());
    const Result &plugin = results[0], &directResult = results[1];
    const char* group = "download 64 MiB to a file";
    c.table->Add({group, "aRvik.Http with OutFile", plugin, "", "", ""});
    std::string ratio = Ratio(plugin, directResult);
    c.table->Add({group, "direct: WinHTTP reads + WriteFile", directResult, ratio, "ratio <= 1.05",
                  ratio.empty() ? "" : Verdict(plugin.median <= 1.05 * directResult.median)});
}

static void HashCase(const Context& c) {
    std::string file = *c.scratch + "hashed.bin";
    {
        HANDLE made = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        THROW_LAST_ERROR_IF(made == INVALID_HANDLE_VALUE);
        std::unique_ptr<char[]> block(new char[1 << 20]);
        for (DWORD k = 0; k < (1u << 20); ++k) block[k] = PatternByte(k);
        DWORD put = 0;
        for (DWORD at = 0; at < hashedSize; at += 1 << 20) WriteFile(made, block.get(), 1 << 20, &put, nullptr);
        CloseHandle(made);
    }
    std::wstring wideName(file.begin(), file.end());
    co<HostSession> session(new HostSession);
    Bstr name(L"aRvik.FileHash");
    DirectHash direct;
    std::string expected = direct(file), ours, theirs;
    std::vector<Result> results = Measure(Budget(c, 30.0, 3, 9, 1), {PluginVariant(c, 1, [&] {
        session->Set(L"aRvik.FileName", wideName.c_str());
        Stopwatch watch;
        CheckResult(c.plugin->Command(session.get(), name), "aRvik.FileHash");
        double seconds = watch.Seconds();
        if (std::wstring(expected.begin(), expected.end()) != session->Value(L"aRvik.Value")) throw KLAppException("aRvik.FileHash: another hash");
        return seconds;
    }), Variant{1, [&] {
        Stopwatch watch;
        theirs = direct(file);
        double seconds = watch.Seconds();
        if (theirs != expected) throw KLAppException("the direct hash: another hash");
        return seconds;
    }, ""}});
    DeleteFileA(file.c_str());
    const Result &plugin = results[0], &directResult = results[1];
    const char* group = "FileHash sha256, 256 MiB";
    c.table->Add({group, "aRvik.FileHash", plugin, "", "", ""});
    std::string ratio = Ratio(plugin, directResult);
    c.table->Add({group, "direct: ReadFile 1 MiB + BCryptHashData", directResult, ratio, "ratio <= 1.05",
                  ratio.empty() ? "" : Verdict(plugin.median <= 1.05 * directResult.median)});
}

void TransferCase(const Context& c) {
    DownloadCase(c);
    HashCase(c);
}
