#include "Web/Redirect.h"

#include <wchar.h>

#include <Buffer.h>
#include <refs.h>

#include "Web/HttpFailure.h"
#include "Web/ShownAddress.h"

bool Redirects(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

namespace {

// An address's parts as offsets into its text, each with its mark:
// "scheme:" [0, authority), "//host" [authority, path), the path [path,
// query), "?query" [query, end); the fragment after end. An empty range is
// a part not given.
struct Parts {
    size_t authority, path, query, end;
};

bool Letter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

Parts Split(const wchar_t* text) {
    Parts parts;
    size_t k = 0;
    if (Letter(text[0])) {
        k = 1;
        while (Letter(text[k]) || (text[k] >= L'0' && text[k] <= L'9') || (text[k] && wcschr(L"+-.", text[k]))) ++k;
        k = text[k] == L':' ? k + 1 : 0;
    }
    parts.authority = k;
    if (text[k] == L'/' && text[k + 1] == L'/') k += 2 + wcscspn(text + k + 2, L"/?#");
    parts.path = k;
    k += wcscspn(text + k, L"?#");
    parts.query = k;
    if (text[k] == L'?') k += wcscspn(text + k, L"#");
    parts.end = k;
    return parts;
}

// The path of n characters without its "." and ".." segments, appended to out.
void RemoveDots(const wchar_t* path, size_t n, Buffer<wchar_t>& out) {
    aptr<wchar_t> kept(new wchar_t[n + 1]);
    wchar_t* result = kept.get();
    size_t w = 0;
    // Takes the last segment off, with the "/" before it.
    auto drop = [&] {
        while (w && result[w - 1] != L'/') --w;
        if (w) --w;
    };
    auto rest = [&](size_t i, const wchar_t* text) {
        size_t length = wcslen(text);
        return n - i >= length && wcsncmp(path + i, text, length) == 0;
    };
    for (size_t i = 0; i < n;) {
        if (rest(i, L"../")) {
            i += 3;
        } else if (rest(i, L"./")) {
            i += 2;
        } else if (rest(i, L"/./")) {
            i += 2;
        } else if (n - i == 2 && rest(i, L"/.")) {
            result[w++] = L'/';
            i = n;
        } else if (rest(i, L"/../")) {
            drop();
            i += 3;
        } else if (n - i == 3 && rest(i, L"/..")) {
            drop();
            result[w++] = L'/';
            i = n;
        } else if ((n - i == 1 && rest(i, L".")) || (n - i == 2 && rest(i, L".."))) {
            i = n;
        } else {
            size_t j = i + (path[i] == L'/');
            while (j < n && path[j] != L'/') ++j;
            while (i < j) result[w++] = path[i++];
        }
    }
    out.Append(result, w);
}

}  // namespace

basic_text<wchar_t> ResolveReference(const wchar_t* base, const wchar_t* reference) {
    Parts b = Split(base), r = Split(reference);
    Buffer<wchar_t> target;
    const wchar_t* rPath = reference + r.path;
    size_t rPathLength = r.query - r.path;
    if (r.authority) {
        target.Append(reference, r.path);
    } else {
        target.Append(base, b.authority);
        target.Append(r.path > r.authority ? reference + r.authority : base + b.authority,
                      r.path > r.authority ? r.path - r.authority : b.path - b.authority);
    }
    if (r.authority || r.path > r.authority || (rPathLength && rPath[0] == L'/')) {
        RemoveDots(rPath, rPathLength, target);
        target.Append(reference + r.query, r.end - r.query);
    } else if (!rPathLength) {
        target.Append(base + b.path, b.query - b.path);
        if (r.end > r.query) target.Append(reference + r.query, r.end - r.query);
        else target.Append(base + b.query, b.end - b.query);
    } else {
        // The base's path up to its last "/", "/" alone where it has a host and no path.
        Buffer<wchar_t> merged;
        size_t slash = b.query;
        while (slash > b.path && base[slash - 1] != L'/') --slash;
        if (b.path > b.authority && b.query == b.path) merged.Append(L"/", 1);
        else merged.Append(base + b.path, slash - b.path);
        merged.Append(rPath, rPathLength);
        RemoveDots(merged.Data(), merged.Size(), target);
        target.Append(reference + r.query, r.end - r.query);
    }
    return basic_text<wchar_t>(target.Data(), target.Size());
}

static bool WebScheme(const wchar_t* url) {
    return _wcsnicmp(url, L"http://", 7) == 0 || _wcsnicmp(url, L"https://", 8) == 0;
}

HttpHop NextHop(const HttpHop& from, DWORD status, const wchar_t* location, unsigned followed, bool withBody) {
    HttpHop next;
    next.url = ResolveReference(from.url, location);
    next.shownUrl = ShownAddress(next.url);
    if (followed > maxRedirects) throw RequestFailed("больше 10 перенаправлений", next.shownUrl);
    if (!WebScheme(next.url) || UserInfoEnd(next.url) || !ParseAddress(next.url, next.address))
        throw RequestFailed("перенаправление не выполнено", next.shownUrl);
    if (from.address.secure && !next.address.secure)
        throw RequestFailed("перенаправление с https на http", next.shownUrl);
    bool sameOrigin = next.address.secure == from.address.secure && next.address.port == from.address.port &&
                      _wcsicmp(next.address.host, from.address.host) == 0;
    next.credentials = from.credentials && sameOrigin;
    next.method = from.method;
    next.body = from.body;
    bool toGet = status == 303 ? _wcsicmp(from.method, L"GET") != 0 && _wcsicmp(from.method, L"HEAD") != 0
                               : (status == 301 || status == 302) && withBody;
    if (toGet) {
        next.method = L"GET";
        next.body = false;
    }
    return next;
}

// Whether the line's name, before its colon, is name (case ignored).
static bool Named(const wchar_t* line, const wchar_t* name) {
    size_t length = wcslen(name);
    return _wcsnicmp(line, name, length) == 0 && line[length] == L':';
}

basic_text<wchar_t> HopHeaders(const wchar_t* lines, const HttpHop& hop) {
    Buffer<wchar_t> kept;
    for (const wchar_t* line = lines; line && *line;) {
        const wchar_t* end = wcsstr(line, L"\r\n");
        const wchar_t* next = end ? end + 2 : line + wcslen(line);
        bool credential = Named(line, L"Authorization") || Named(line, L"Proxy-Authorization") || Named(line, L"Cookie");
        if (!(credential && !hop.credentials) && !(Named(line, L"Content-Type") && !hop.body))
            kept.Append(line, next - line);
        line = next;
    }
    return basic_text<wchar_t>(kept.Data(), kept.Size());
}
