// aRvik.Http with files: an answer streamed into OutFile that appears only
// whole (200 MiB, looked at while it arrives), a cut or timed-out one that
// leaves nothing, FileMode, a BodyFile of 50 MiB sent whole and again on a
// 307, and the refusals, before anything is sent.
#include <algorithm>
#include <winsock2.h>

#include "Commands/CommandsTest.h"

#include <atomic>
#include <mutex>

#include "LocalHttpServer.h"

namespace {

// The files the download leaves beside its name while it runs.
int TemporaryFiles(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "~aRvik*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t k = 0; k < size; ++k) bytes[k] = PatternByte(k);
    return bytes;
}

const wchar_t* const kArguments[] = {L"aRvik.Url", L"aRvik.Method", L"aRvik.OutFile", L"aRvik.BodyFile",
                                     L"aRvik.FileMode", L"aRvik.Timeout", L"aRvik.Body"};
const size_t kArgumentCount = sizeof kArguments / sizeof *kArguments;

struct HttpFileTest : CommandTest {
    std::mutex mutex;
    std::vector<HttpExchange> requests;
    std::function<void()> hold;  // while the big body arrives
    LocalHttpServer server{[this](const HttpExchange& request) -> HttpReply {
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(request);
        }
        const std::string& path = request.path;
        if (path == "/big") {
            HttpReply reply = PatternReply(200ull << 20);
            reply.holdAt = 100ull << 20;
            reply.hold = hold;
            return reply;
        }
        if (path == "/cut") return PatternReply(10 << 20, 1 << 20);
        if (path == "/small") return HttpAnswer("404 Not Found", "", "gone");
        if (path == "/trickle") return HttpReply(HttpAnswer("200 OK", "", std::string(100, 'x')), 150);
        if (path.compare(0, 8, "/status/") == 0)
            return HttpAnswer((path.substr(8, 3) + " Moved").c_str(), "Location: " + path.substr(15) + "\r\n", "");
        return HttpAnswer("201 Created", "", "");
    }};
    std::string target = scratch + "answer.bin";

    HttpFileTest() {
        EXPECT_EQ(0, server.error);
        Set(L"aRvik.Output", "old");
    }
    size_t Requests() {
        std::lock_guard<std::mutex> lock(mutex);
        return requests.size();
    }
    // Runs aRvik.Http, which must succeed and empty its arguments; with an
    // OutFile, Output stays as it was.
    void Runs() {
        bool toFile = !Get(L"aRvik.OutFile").empty();
        Set(L"aRvik.Output", "old");
        ASSERT_EQ(S_OK, Command(L"aRvik.Http"));
        for (const wchar_t* name : kArguments) EXPECT_EQ("", Get(name)) << Narrow(name);
        EXPECT_EQ(toFile ? "old" : "", Get(L"aRvik.Output"));
    }
    void Fails(const std::string& reason) {
        std::string before[kArgumentCount];
        for (size_t k = 0; k < kArgumentCount; ++k) before[k] = Get(kArguments[k]);
        Record record;
        ASSERT_EQ(DISP_E_EXCEPTION, Command(L"aRvik.Http", &record));
        EXPECT_EQ(reason, Narrow(record.bstrDescription));
        for (size_t k = 0; k < kArgumentCount; ++k) EXPECT_EQ(before[k], Get(kArguments[k])) << Narrow(kArguments[k]);
        EXPECT_EQ("", Get(L"aRvik.Result"));
        EXPECT_EQ(0, TemporaryFiles(scratch.folder));
    }
    std::string Hash(const std::string& name) {
        Set(L"aRvik.FileName", name);
        EXPECT_EQ(S_OK, Command(L"aRvik.FileHash"));
        return Get(L"aRvik.Value");
    }
};

}  // namespace

TEST_F(HttpFileTest, A200MiBAnswerAppearsUnderItsNameOnlyWhenWhole) {
    std::atomic<int> looked{0}, named{-1}, parts{-1};
    hold = [&] {
        named = Exists(target) ? 1 : 0;
        parts = TemporaryFiles(scratch.folder);
        ++looked;
    };
    Set(L"aRvik.Url", server.Url("/big"));
    Set(L"aRvik.OutFile", target);
    Set(L"aRvik.Timeout", "600000");
    Runs();
    EXPECT_EQ("200", Get(L"aRvik.Result"));
    EXPECT_EQ(1, looked.load());
    EXPECT_EQ(0, named.load());  // halfway: nothing under the name
    EXPECT_EQ(1, parts.load());  // but the file beside it
    EXPECT_EQ(0, TemporaryFiles(scratch.folder));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(200ull << 20, (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    EXPECT_EQ("6e4953891db2598722fa6ade0d4ea1794faa51153365526287dabce238d401d2", Hash(target));
}

TEST_F(HttpFileTest, ACutOrLateAnswerLeavesNothingUnderTheNameNorBesideIt) {
    std::string url = server.Url("/cut");
    Set(L"aRvik.Url", url);
    Set(L"aRvik.OutFile", target);
    Fails("Не удалось выполнить запрос (соединение прервано): " + url);
    EXPECT_FALSE(Exists(target));

    url = server.Url("/trickle");
    Set(L"aRvik.Url", url);
    Set(L"aRvik.Timeout", "1000");
    Fails("Не удалось выполнить запрос (нет ответа за 1000 мс): " + url);
    EXPECT_FALSE(Exists(target));
}

TEST_F(HttpFileTest, AFileThereIsReplacedOnlyInReplaceModeAndAnyStatusIsSaved) {
    WriteWhole(target, "before");
    Set(L"aRvik.Url", server.Url("/small"));
    Set(L"aRvik.OutFile", target);
    Fails("Не удалось сохранить ответ (файл назначения уже есть): aRvik.OutFile=" + target);
    Set(L"aRvik.FileMode", "append");
    Fails("Неизвестный режим записи ответа: aRvik.FileMode=append (допустимо: replace)");
    EXPECT_EQ(0u, Requests());
    EXPECT_EQ("before", ReadWhole(target));

    Set(L"aRvik.FileMode", "Replace");
    Runs();
    EXPECT_EQ("404", Get(L"aRvik.Result"));
    EXPECT_EQ("gone", ReadWhole(target));

    // A folder that is not there yet is made.
    std::string deeper = scratch + "a\\b\\answer.bin";
    Set(L"aRvik.Url", server.Url("/small"));
    Set(L"aRvik.OutFile", deeper);
    Runs();
    EXPECT_EQ("gone", ReadWhole(deeper));
}

TEST_F(HttpFileTest, ABodyFileOf50MiBArrivesWholeAndAgainAfterA307) {
    const size_t size = 50 << 20;
    std::string body = Pattern(size);
    std::string source = scratch + "upload.bin";
    WriteWhole(source, body);
    unsigned long long sum = BodySum(body.data(), body.size());
    body.clear();
    body.shrink_to_fit();

    Set(L"aRvik.Url", server.Url("/upload"));
    Set(L"aRvik.Method", "PUT");
    Set(L"aRvik.BodyFile", source);
    Runs();
    EXPECT_EQ("201", Get(L"aRvik.Result"));
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("PUT", requests[0].method);
    EXPECT_EQ(size, requests[0].bodySize);
    EXPECT_EQ(sum, requests[0].bodySum);
    EXPECT_NE(std::string::npos, requests[0].headers.find("\r\nContent-Type: application/octet-stream\r\n"));

    // 307 sends it again from its start; 303 goes on as a GET without it.
    Set(L"aRvik.Url", server.Url("/status/307?to=/upload"));
    Set(L"aRvik.Method", "POST");
    Set(L"aRvik.BodyFile", source);
    Runs();
    ASSERT_EQ(3u, requests.size());
    for (size_t k = 1; k < 3; ++k) {
        EXPECT_EQ("POST", requests[k].method);
        EXPECT_EQ(size, requests[k].bodySize);
        EXPECT_EQ(sum, requests[k].bodySum);
    }
    Set(L"aRvik.Url", server.Url("/status/303?to=/upload"));
    Set(L"aRvik.Method", "POST");
    Set(L"aRvik.BodyFile", source);
    Runs();
    ASSERT_EQ(5u, requests.size());
    EXPECT_EQ("GET", requests[4].method);
    EXPECT_EQ(0u, requests[4].bodySize);
    EXPECT_EQ(std::string::npos, requests[4].headers.find("Content-Type"));

    // And an empty one: a body of no bytes.
    std::string empty = scratch + "empty.bin";
    WriteWhole(empty, "");
    Set(L"aRvik.Url", server.Url("/upload"));
    Set(L"aRvik.Method", "POST");
    Set(L"aRvik.BodyFile", empty);
    Runs();
    EXPECT_EQ(0u, requests.back().bodySize);
}

TEST_F(HttpFileTest, FileArgumentsAreRefusedBeforeAnythingIsSent) {
    std::string source = scratch + "body.txt";
    WriteWhole(source, "body");
    Set(L"aRvik.Url", server.Url("/upload"));
    Set(L"aRvik.Body", "text");
    Set(L"aRvik.BodyFile", source);
    Fails("Тело запроса задаётся либо в aRvik.Body, либо в aRvik.BodyFile: aRvik.BodyFile=" + source);
    Set(L"aRvik.Body", "");
    Set(L"aRvik.BodyFile", scratch + "missing.txt");
    Fails("Не удалось отправить файл (файл не найден): aRvik.BodyFile=" + (scratch + "missing.txt"));
    Set(L"aRvik.BodyFile", scratch.folder);
    Fails("Не удалось отправить файл (это папка): aRvik.BodyFile=" + scratch.folder);
    Set(L"aRvik.BodyFile", "fz\\aux");
    Fails("Не удалось отправить файл (это устройство): aRvik.BodyFile=fz\\aux");
    Set(L"aRvik.BodyFile", source);
    Set(L"aRvik.OutFile", source);
    Set(L"aRvik.FileMode", "replace");
    Fails("Ответ нельзя сохранить в файл тела запроса: aRvik.OutFile=" + source);
    Set(L"aRvik.BodyFile", "");
    Set(L"aRvik.FileMode", "");
    Set(L"aRvik.OutFile", scratch.folder);
    Fails("Не удалось сохранить ответ (это папка): aRvik.OutFile=" + scratch.folder);
    Set(L"aRvik.OutFile", "fz\\nul.txt");
    Fails("Не удалось сохранить ответ (это устройство): aRvik.OutFile=fz\\nul.txt");
    // A name the system cannot give a file is refused before, not at the rename.
    for (const char* name : {"a?b.txt", "a*b.txt", "a<b.txt", "a|b.txt", "a\"b.txt", "a\tb.txt"}) {
        Set(L"aRvik.OutFile", scratch + name);
        std::string shown = scratch + name;
        std::replace(shown.begin(), shown.end(), '\t', '?');
        Fails("Не удалось сохранить ответ (ошибка 123): " + shown);
    }
    EXPECT_EQ(0u, Requests());
    EXPECT_EQ("body", ReadWhole(source));
}
