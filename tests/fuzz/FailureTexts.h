// FailureTexts: the failure texts docs/failures.md lists in its section
// "Every failure text", read at run time: under a heading per command (and
// one for every command), a fenced block of patterns, one text a line,
// byte for byte but for the placeholders, words in capitals:
//   N      a decimal number (a minus first where the text gives one)
//   HEX    eight hexadecimal digits; with N in the same text, N's bits
//   ID     a process id, decimal
//   ENCODING  UTF-8, UTF-8 BOM, UTF-16, UTF-16 BE or ANSI
//   NAME, TEXT, LINE, URL, COMMAND  any text, the empty one too
// A placeholder is a whole word: "aRvik.FileName" holds none.
#pragma once

#include <map>
#include <string>
#include <vector>

class FailureTexts {
public:
    // Reads the section from the file (UTF-8); false, with why, when the
    // file or the section cannot be read.
    bool Load(const std::string& file, std::string& why);
    // The same from the text of the file.
    bool Parse(const std::string& markdown, std::string& why);

    // The pattern of heading's block (or of every command's) that text
    // (UTF-8) matches; empty when none does.
    std::string Match(const std::string& heading, const std::string& text) const;

    const std::map<std::string, std::vector<std::string>>& Groups() const { return groups_; }

private:
    std::map<std::string, std::vector<std::string>> groups_;
};

// Whether text matches one pattern, as above.
bool MatchesPattern(const std::string& pattern, const std::string& text);

// The section's heading in docs/failures.md.
extern const char kEveryTextHeading[];
