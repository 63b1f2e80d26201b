// IniText: the bytes of an INI file in lines, for aRvik.IniRead, IniWrite
// and IniDelete. A line the commands do not change keeps its bytes, line
// end included; a changed or new line is written in the file's encoding.
//
// The encoding: a mark decides (EF BB BF UTF-8 with its mark, FF FE UTF-16
// little-endian, FE FF big-endian); without one, bytes that are valid UTF-8
// and not all ASCII are UTF-8, others ANSI. A file of ASCII only, or an
// empty one, is both: a text the ANSI code page cannot hold makes it UTF-8,
// with a mark when the file is empty (a new one), without one otherwise.
// Lines end at LF (a CR before it belongs to the end); a new line ends as
// the file's first line does, CRLF when none does.
//
// A line, blanks (space, tab) around it ignored, is a comment when it
// begins with ";" or "#", a section's header when it begins with "[" (the
// name up to the first "]", blanks around it dropped), a key when it holds
// "=" (the name before the first "=", the value after it, blanks around
// both dropped); anything else is kept and not read. Sections and keys are
// compared without regard to case (ordinally, as the system's table
// upper-cases). A section may stand more than once: its keys are those of
// every part, the first key found is the one read and written.
#pragma once

#include <windows.h>

#include <Buffer.h>
#include <str.h>

#include "Files/FileEncoding.h"

class IniText {
public:
    // The whole content of a file; an empty one for a file that is not there.
    IniText(const char* bytes, size_t size);
    IniText(const IniText&) = delete;
    IniText& operator=(const IniText&) = delete;

    // The value of key in section, blanks around it dropped; false when the
    // section or the key is not there.
    bool Find(const wchar_t* section, const wchar_t* key, basic_text<wchar_t>& value) const;

    // Whether text can be written into the file: always, but for an ANSI
    // file holding more than ASCII whose code page lacks a character of it.
    // An ASCII or empty file becomes UTF-8 for such a text (see above).
    bool Takes(const wchar_t* text);

    // Sets key in section to value (texts Takes took): on the key's line,
    // its name, "=" and the blanks after it kept; a missing key goes after
    // the last line of the section's first part that is not blank; a
    // missing section, with the key, at the end, after a blank line when
    // the file's last line is not one. A last line without a line end gets
    // one when a line goes after it.
    void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value);

    // Removes every line of key in section, or, key empty, every part of
    // the section: its header and the lines up to the next header. The
    // count of lines removed.
    size_t Remove(const wchar_t* section, const wchar_t* key);

    // The file's bytes as they now stand.
    void Bytes(Buffer<char>& out) const;

private:
    struct Line {
        size_t at;      // content, in bytes_ or in added_
        size_t length;  // content bytes, the line end not counted
        size_t end;     // line-end bytes after the content, in the same buffer
        bool added;     // in added_: a new or changed line
        bool endAdded;  // ends with NewEnd's bytes (a new line, a last one given an end)
    };
    enum Kind { Other, Header, Key };
    // What the line is; for a header its name, for a key its name, and
    // valueAt: where in text its value starts (after "=" and blanks).
    Kind Read(const Line& line, basic_text<wchar_t>& text, basic_text<wchar_t>& name, size_t& valueAt) const;
    void Decode(const char* bytes, size_t size, basic_text<wchar_t>& out) const;
    // A new line of text, in added_, ending with NewEnd's bytes.
    Line Added(const wchar_t* text, size_t length);
    void Insert(size_t at, const Line& line);
    // A new line's end in the file's encoding.
    void NewEnd(Buffer<char>& out) const;

    Buffer<char> bytes_, added_;
    Buffer<Line> lines_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    size_t markSize_ = 0;
    bool ascii_ = false;  // no mark and no byte above 127: ANSI and UTF-8 alike
    bool crlf_ = true;    // how new lines end
    bool newMark_ = false;  // an empty file made UTF-8: the mark goes first
};
