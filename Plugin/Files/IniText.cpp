#include "Files/IniText.h"

#include <limits.h>
#include <string.h>
#include <wchar.h>

#include <checks.h>

static bool Blank(wchar_t c) { return c == L' ' || c == L'\t'; }

// text[from, to) without the blanks around it.
static basic_text<wchar_t> Trimmed(const wchar_t* text, size_t from, size_t to) {
    while (from < to && Blank(text[from])) ++from;
    while (to > from && Blank(text[to - 1])) --to;
    return basic_text<wchar_t>(text + from, to - from);
}

static bool SameName(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

IniText::IniText(const char* bytes, size_t size) {
    bytes_.Append(bytes, size);
    encoding_ = MarkedEncoding(bytes, size, markSize_);
    if (markSize_ == 0) {
        bool high = false;
        for (size_t i = 0; i < size && !high; ++i) high = static_cast<unsigned char>(bytes[i]) > 127;
        ascii_ = !high;
        if (high && size <= INT_MAX &&
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), nullptr, 0) > 0)
            encoding_ = TextEncoding::Utf8;
    }
    size_t unit = encoding_ == TextEncoding::Utf16 || encoding_ == TextEncoding::Utf16BigEndian ? 2 : 1;
    bool big = encoding_ == TextEncoding::Utf16BigEndian;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes_.Data());
    // The code unit at byte offset i.
    auto at = [&](size_t i) -> unsigned { return unit == 1 ? b[i] : big ? b[i] << 8 | b[i + 1] : b[i] | b[i + 1] << 8; };
    bool endSeen = false;
    size_t start = markSize_, i = markSize_;
    // An odd last byte of UTF-16 stays in the last line's content.
    size_t whole = size - (size - markSize_) % unit;
    for (; i < whole; i += unit) {
        if (at(i) != L'\n') continue;
        size_t endAt = i >= start + unit && at(i - unit) == L'\r' ? i - unit : i;
        if (!endSeen) crlf_ = endAt != i;
        endSeen = true;
        Line line{start, endAt - start, i + unit - endAt, false, false};
        lines_.Append(&line, 1);
        start = i + unit;
    }
    if (start < size) {
        Line line{start, size - start, 0, false, false};
        lines_.Append(&line, 1);
    }
}

void IniText::Decode(const char* bytes, size_t size, basic_text<wchar_t>& out) const {
    if (encoding_ == TextEncoding::Utf16 || encoding_ == TextEncoding::Utf16BigEndian) {
        size_t n = size / 2;
        aptr<wchar_t> text(new wchar_t[n + 1]);
        for (size_t i = 0; i < n; ++i) {
            unsigned char first = bytes[2 * i], second = bytes[2 * i + 1];
            text.get()[i] = encoding_ == TextEncoding::Utf16 ? first | second << 8 : first << 8 | second;
        }
        text.get()[n] = 0;
        out = basic_text<wchar_t>::Adopt(text.Detach());
        return;
    }
    UINT page = encoding_ == TextEncoding::Ansi ? CP_ACP : CP_UTF8;
    int n = size ? MultiByteToWideChar(page, 0, bytes, static_cast<int>(size), nullptr, 0) : 0;
    aptr<wchar_t> text(new wchar_t[n + 1]);
    if (n) MultiByteToWideChar(page, 0, bytes, static_cast<int>(size), text.get(), n);
    text.get()[n] = 0;
    out = basic_text<wchar_t>::Adopt(text.Detach());
}

IniText::Kind IniText::Read(const Line& line, basic_text<wchar_t>& text, basic_text<wchar_t>& name,
                            size_t& valueAt) const {
    Decode((line.added ? added_.Data() : bytes_.Data()) + line.at, line.length, text);
    const wchar_t* t = text.c_str();
    size_t n = wcslen(t), first = 0;
    while (first < n && Blank(t[first])) ++first;
    if (first == n || t[first] == L';' || t[first] == L'#') return Other;
    if (t[first] == L'[') {
        const wchar_t* close = wcschr(t + first, L']');
        if (!close) return Other;
        name = Trimmed(t, first + 1, close - t);
        return Header;
    }
    const wchar_t* equals = wcschr(t + first, L'=');
    if (!equals) return Other;
    name = Trimmed(t, first, equals - t);
    valueAt = equals - t + 1;
    while (valueAt < n && Blank(t[valueAt])) ++valueAt;
    return Key;
}

bool IniText::Find(const wchar_t* section, const wchar_t* key, basic_text<wchar_t>& value) const {
    bool inside = false;
    basic_text<wchar_t> text, name;
    size_t valueAt = 0;
    for (size_t i = 0; i < lines_.Size(); ++i) {
        Kind kind = Read(lines_.Data()[i], text, name, valueAt);
        if (kind == Header) inside = SameName(name, section);
        if (kind != Key || !inside || !SameName(name, key)) continue;
        value = Trimmed(text, valueAt, wcslen(text));
        return true;
    }
    return false;
}

bool IniText::Takes(const wchar_t* text) {
    // A code page of UTF-8 lacks no character (and takes no question).
    if (encoding_ != TextEncoding::Ansi || GetACP() == CP_UTF8) return true;
    BOOL lost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, nullptr, 0, nullptr, &lost);
    if (n > 0 && !lost) return true;
    if (!ascii_) return false;
    // ASCII is UTF-8 too: an empty file gets the mark that tells it.
    encoding_ = TextEncoding::Utf8;
    newMark_ = bytes_.Size() == 0;
    return true;
}

void IniText::NewEnd(Buffer<char>& out) const {
    const wchar_t* end = crlf_ ? L"\r\n" : L"\n";
    Buffer<char> bytes;
    size_t markSize = 0;
    Encode(end, wcslen(end), encoding_ == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : encoding_, bytes, markSize);
    // Encode puts UTF-16's mark first: the line end goes without it.
    out.Append(bytes.Data() + markSize, bytes.Size() - markSize);
}

IniText::Line IniText::Added(const wchar_t* text, size_t length) {
    Buffer<char> bytes;
    size_t markSize = 0;
    TextEncoding encoding = encoding_ == TextEncoding::Utf8Bom ? TextEncoding::Utf8 : encoding_;
    Encode(text, length, encoding, bytes, markSize);
    Line line{added_.Size(), bytes.Size() - markSize, 0, true, true};
    added_.Append(bytes.Data() + markSize, bytes.Size() - markSize);
    return line;
}

void IniText::Insert(size_t at, const Line& line) {
    // The line before gets an end when it has none.
    if (at > 0) {
        Line& before = lines_.Data()[at - 1];
        if (before.end == 0) before.endAdded = true;
    }
    Buffer<Line> lines;
    lines.Append(lines_.Data(), at);
    lines.Append(&line, 1);
    lines.Append(lines_.Data() + at, lines_.Size() - at);
    lines_.Clear();
    lines_.Append(lines.Data(), lines.Size());
}

void IniText::Set(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    basic_text<wchar_t> text, name;
    size_t valueAt = 0;
    bool inside = false;
    size_t lastOfFirst = 0;  // after the last line not blank of the section's first part
    bool sectionSeen = false, firstPart = false;
    for (size_t i = 0; i < lines_.Size(); ++i) {
        Kind kind = Read(lines_.Data()[i], text, name, valueAt);
        if (kind == Header) {
            inside = SameName(name, section);
            firstPart = inside && !sectionSeen;
            if (firstPart) lastOfFirst = i + 1;
            sectionSeen = sectionSeen || inside;
            continue;
        }
        if (firstPart) {
            size_t k = 0;
            while (text[k] && Blank(text[k])) ++k;
            if (text[k]) lastOfFirst = i + 1;
        }
        if (kind != Key || !inside || !SameName(name, key)) continue;
        basic_text<wchar_t> changed = basic_text<wchar_t>(text.c_str(), valueAt) + value;
        Line line = Added(changed, changed.length());
        Line& old = lines_.Data()[i];
        // The line keeps its own end, copied after its new content.
        const Buffer<char>& from = old.added ? added_ : bytes_;
        if (old.end) {
            Buffer<char> end;
            end.Append(from.Data() + old.at + old.length, old.end);
            added_.Append(end.Data(), end.Size());
        }
        line.end = old.end;
        line.endAdded = old.endAdded;
        old = line;
        return;
    }
    basic_text<wchar_t> entry = basic_text<wchar_t>(key) + L"=" + value;
    if (sectionSeen) return Insert(lastOfFirst, Added(entry, entry.length()));
    size_t count = lines_.Size();
    if (count) {
        const Line& last = lines_.Data()[count - 1];
        Decode((last.added ? added_.Data() : bytes_.Data()) + last.at, last.length, text);
        size_t k = 0;
        while (text[k] && Blank(text[k])) ++k;
        if (text[k]) Insert(count++, Added(L"", 0));
    }
    basic_text<wchar_t> header = basic_text<wchar_t>(L"[") + section + L"]";
    Insert(count, Added(header, header.length()));
    Insert(count + 1, Added(entry, entry.length()));
}

size_t IniText::Remove(const wchar_t* section, const wchar_t* key) {
    basic_text<wchar_t> text, name;
    size_t valueAt = 0;
    bool inside = false;
    Buffer<Line> kept;
    size_t removed = 0;
    bool wholeSection = !key || !*key;
    for (size_t i = 0; i < lines_.Size(); ++i) {
        const Line& line = lines_.Data()[i];
        Kind kind = Read(line, text, name, valueAt);
        if (kind == Header) inside = SameName(name, section);
        bool drop = inside && (wholeSection || (kind == Key && SameName(name, key)));
        if (drop) {
            ++removed;
            continue;
        }
        kept.Append(&line, 1);
    }
    lines_.Clear();
    lines_.Append(kept.Data(), kept.Size());
    return removed;
}

void IniText::Bytes(Buffer<char>& out) const {
    if (markSize_) out.Append(bytes_.Data(), markSize_);
    if (newMark_) out.Append("\xEF\xBB\xBF", 3);
    Buffer<char> end;
    NewEnd(end);
    for (size_t i = 0; i < lines_.Size(); ++i) {
        const Line& line = lines_.Data()[i];
        out.Append((line.added ? added_ : bytes_).Data() + line.at, line.length + line.end);
        if (line.endAdded) out.Append(end.Data(), end.Size());
    }
}
