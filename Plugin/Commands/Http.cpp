// aRvik.Http: one HTTP request to Url, Result its status and Output its
// body, or the body streamed into the file OutFile (Output then left
// alone), which appears under its name only once the whole body has
// arrived (PartFile); the request's body is Body or the file BodyFile, of
// any size. Every argument is checked before anything is sent.
#include "Commands/Commands.h"

#include <string.h>
#include <wchar.h>

#include <ShownText.h>
#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Commands/CommandState.h"
#include "Files/FileFailures.h"
#include "Files/FileName.h"
#include "Files/PartFile.h"
#include "Files/ReadingStream.h"
#include "Web/HttpRequest.h"
#include "Processes/ProcessOutput.h"
#include "Web/ShownAddress.h"
#include "Commands/Timeout.h"

using TAXDK::Tallivant::TASession;
using TAXDK::Standard::CodePageBytes;

static const char kUrl[] = "aRvik.Url";
static const char kMethod[] = "aRvik.Method";
static const char kHeaders[] = "aRvik.Headers";
static const char kBody[] = "aRvik.Body";
static const char kResult[] = "aRvik.Result";
static const char kOutput[] = "aRvik.Output";
static const char kOutFile[] = "aRvik.OutFile";
static const char kBodyFile[] = "aRvik.BodyFile";
static const char kFileMode[] = "aRvik.FileMode";

static const char saveAction[] = "сохранить ответ";
static const char sendAction[] = "отправить файл";

// The most a body may have in UTF-8, as captured output keeps at most.
static const size_t bodyLimit = OutputPipe::limit;
static const DWORD defaultTimeout = 60000;

// Wide text for a failure's reason.
static string Shown(const wchar_t* text) { return TAXDK::Standard::ShownText(text); }

// A method or header name: the characters HTTP allows in a token.
static bool Token(const wchar_t* text, size_t length) {
    if (!length) return false;
    for (size_t k = 0; k < length; ++k) {
        wchar_t c = text[k];
        bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
        if (!letter && (c > 0x7E || !wcschr(L"!#$%&'*+-.^_`|~", c) || !c)) return false;
    }
    return true;
}

// The address, never shown with its name and password; one that holds them
// is refused: WinHTTP would drop them and send the request without.
static void CheckAddress(const basic_text<wchar_t>& url, HttpAddress& address) {
    const wchar_t* text = url.c_str() ? url.c_str() : L"";
    if (_wcsnicmp(text, L"http://", 7) != 0 && _wcsnicmp(text, L"https://", 8) != 0)
        throw KLAppException(string("Адрес должен начинаться с http:// или https://: ") + kUrl + "=" +
                             ShownAddress(text));
    if (UserInfoEnd(text))
        throw KLAppException(string("Имя и пароль задаются в ") + kHeaders + ", не в адресе: " + kUrl + "=" +
                             ShownAddress(text));
    if (!ParseAddress(text, address))
        throw KLAppException(string("Неверный адрес: ") + kUrl + "=" + ShownAddress(text));
}

// Whether every byte is ASCII, four at a time.
static bool Ascii(const char* bytes, size_t size) {
    unsigned long any = 0, word;
    size_t k = 0;
    for (; k + sizeof word <= size; k += sizeof word) {
        memcpy(&word, bytes + k, sizeof word);
        any |= word;
    }
    for (; k < size; ++k) any |= static_cast<unsigned char>(bytes[k]);
    return !(any & 0x80808080ul);
}

// The body as captured output is given. ASCII alone reads the same in every
// charset ContentCharset names and in the ANSI code page: it is widened at
// once, without the way through UTF-16 and back.
static void BodyText(const HttpResponse& response, CoString& text) {
    const char* bytes = response.body.Data();
    size_t size = response.body.Size();
    if (response.total <= size && Ascii(bytes, size)) return TAXDK::Standard::CodePageText(CP_ACP, bytes, size, text);
    OutputText(response.page, bytes, size, response.total, text);
}

// Headers, one "Name: value" a line (empty lines skipped), as WinHTTP
// takes them; with a body and no Content-Type, the body's own. A CR alone
// ends a line too: no value can smuggle in a header of its own.
static basic_text<wchar_t> CheckHeaders(const basic_text<wchar_t>& given, const wchar_t* bodyType) {
    Buffer<wchar_t> joined;
    bool typed = false;
    for (const wchar_t* line = given.c_str() ? given.c_str() : L""; *line;) {
        const wchar_t* end = wcspbrk(line, L"\r\n");
        size_t length = end ? end - line : wcslen(line);
        const wchar_t* next = line + length + (end ? 1 : 0);
        if (length) {
            basic_text<wchar_t> shown(line, length);
            const wchar_t* colon = wmemchr(line, L':', length);
            if (!colon) throw KLAppException(string("Строка заголовка без двоеточия: ") + kHeaders + "=" + Shown(shown));
            if (!Token(line, colon - line))
                throw KLAppException(string("Неверное имя заголовка: ") + kHeaders + "=" + Shown(shown));
            if (colon - line == 12 && _wcsnicmp(line, L"Content-Type", 12) == 0) typed = true;
            joined.Append(line, length);
            joined.Append(L"\r\n", 2);
        }
        line = next;
    }
    if (bodyType && !typed) {
        joined.Append(L"Content-Type: ", 14);
        joined.Append(bodyType, wcslen(bodyType));
        joined.Append(L"\r\n", 2);
    }
    return basic_text<wchar_t>(joined.Data(), joined.Size());
}

namespace {

// BodyFile as the request's body.
class FileSource final : public HttpBodySource {
public:
    explicit FileSource(const FileName& name) : file_(name, sendAction) {}
    unsigned long long Size() override { return file_.Size(); }
    void Rewind() override { file_.Rewind(); }
    DWORD Read(char* to, DWORD ask) override { return file_.Read(to, ask); }
    void Shorter() override { file_.Fail("файл стал короче"); }

private:
    ReadingStream file_;
};

// OutFile as the answer's body goes there.
class FileSink final : public HttpBodySink {
public:
    explicit FileSink(PartFile& file) : file_(file) {}
    void Write(const char* bytes, DWORD size) override { file_.Write(bytes, size); }

private:
    PartFile& file_;
};

// The name's attributes; INVALID_FILE_ATTRIBUTES when nothing is there (or
// the name is too long to ask).
DWORD Attributes(const FileName& name) {
    return name.TooLong() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.System());
}

}  // namespace

void Http(TASession& values, HttpClient& web) {
    CommandArguments args(values);
    // Copies: the names are needed to the end, past the writes of results.
    basic_text<wchar_t> outText = args.WideText(kOutFile);
    const wchar_t* outGiven = outText.c_str() ? outText.c_str() : L"";
    bool toFile = *outGiven != 0;
    values.Clear(kResult);
    if (!toFile) values.Clear(kOutput);
    basic_text<wchar_t> url = args.WideText(kUrl);
    basic_text<wchar_t> method = args.WideText(kMethod);
    basic_text<wchar_t> headers = args.WideText(kHeaders);
    const wchar_t* body = args.WideView(kBody);
    basic_text<wchar_t> bodyText = args.WideText(kBodyFile);
    const wchar_t* bodyGiven = bodyText.c_str() ? bodyText.c_str() : L"";
    CommandArguments::Number timeout = args.Real("aRvik.Timeout");
    string mode = args.Text(kFileMode, CommandArguments::WhenGiven);

    HttpRequest request;
    CheckAddress(url, request.address);
    request.url = url;
    request.shownUrl = ShownAddress(url);
    if (!method.empty()) {
        if (!Token(method, method.length()))
            throw KLAppException(string("Неверный метод: ") + kMethod + "=" + Shown(method));
        request.method = method;
    }
    size_t bodyLength = wcslen(body);
    bool bodyFromFile = *bodyGiven != 0;
    basic_text<wchar_t> lines = CheckHeaders(headers, bodyFromFile ? L"application/octet-stream"
                                                      : bodyLength ? L"text/plain; charset=utf-8" : nullptr);
    if (!lines.empty()) request.headers = lines;
    // Every character is one byte at least: a longer text need not be converted.
    Buffer<char> bytes;
    if (bodyLength <= bodyLimit) CodePageBytes(CP_UTF8, body, bodyLength, true, bytes);
    if (bodyLength > bodyLimit || bytes.Size() > bodyLimit)
        throw KLAppException(string("Тело запроса больше 16 МБ в UTF-8: ") + kBody);
    request.body = bytes.Data();
    request.bodySize = static_cast<DWORD>(bytes.Size());
    request.timeout = timeout.Given() ? ReadTimeout(timeout) : defaultTimeout;

    // The files last: their checks look at the disk.
    bool replace = keystring(mode) == "replace";
    if (!mode.empty() && !replace)
        throw KLAppException(string("Неизвестный режим записи ответа: ") + kFileMode + "=" +
                             TAXDK::Standard::ShownText(mode) + " (допустимо: replace)");
    FileName outName = FileName::Checked(outGiven, kOutFile, saveAction);
    FileName bodyName = FileName::Checked(bodyGiven, kBodyFile, sendAction);
    if (bodyFromFile && bodyLength)
        throw KLAppException(string("Тело запроса задаётся либо в ") + kBody + ", либо в " + kBodyFile + ": " +
                             kBodyFile + "=" + AnsiName(bodyGiven));
    if (toFile) {
        // A character no file name may hold fails the rename at the end,
        // after the request went out: it is refused before.
        const wchar_t* last = wcsrchr(outName, L'\\');
        for (const wchar_t* c = last ? last + 1 : outName.Full(); *c; ++c)
            if (*c < 0x20 || wcschr(L"<>\"|?*", *c)) throw FileFailure(saveAction, ERROR_INVALID_NAME, outName);
        DWORD attributes = Attributes(outName);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            throw NameRefusal(saveAction, "это папка", kOutFile, AnsiName(outGiven));
        if (bodyFromFile && SameOrBelow(outName, bodyName) && SameOrBelow(bodyName, outName))
            throw KLAppException(string("Ответ нельзя сохранить в файл тела запроса: ") + kOutFile + "=" +
                                 AnsiName(outGiven));
        if (attributes != INVALID_FILE_ATTRIBUTES && !replace)
            throw NameRefusal(saveAction, "файл назначения уже есть", kOutFile, AnsiName(outGiven));
    }
    if (bodyFromFile) {
        DWORD attributes = Attributes(bodyName);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            throw NameRefusal(sendAction, "файл не найден", kBodyFile, AnsiName(bodyGiven));
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            throw NameRefusal(sendAction, "это папка", kBodyFile, AnsiName(bodyGiven));
    }

    ptr<FileSource> source(bodyFromFile ? new FileSource(bodyName) : nullptr);
    request.bodySource = source.get();
    HttpResponse response;
    if (toFile) {
        PartFile part(outName, saveAction);
        FileSink sink(part);
        response.sink = &sink;
        web.Send(request, 0, response);
        part.Finish(replace);
        values.SetUnsigned(kResult, response.status);
    } else {
        web.Send(request, OutputPipe::limit, response);
        values.SetUnsigned(kResult, response.status);
        CoString text;
        BodyText(response, text);
        values.SetWideString(kOutput, text);
    }
    args.Done();
}

// The web session of the extender's CommandState.
void MakeState(HttpClient*& made) { made = new HttpClient; }
void DeleteState(HttpClient* web) { delete web; }
