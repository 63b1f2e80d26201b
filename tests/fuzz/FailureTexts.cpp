#include "FailureTexts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>

#include "FuzzCommands.h"

const char kEveryTextHeading[] = "## Every failure text";

bool FailureTexts::Load(const std::string& file, std::string& why) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = "cannot read " + file;
        return false;
    }
    std::stringstream whole;
    whole << in.rdbuf();
    return Parse(whole.str(), why);
}

bool FailureTexts::Parse(const std::string& markdown, std::string& why) {
    groups_.clear();
    std::istringstream lines(markdown);
    std::string line, heading;
    bool inSection = false, inBlock = false, found = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inBlock) {
            if (line.compare(0, 3, "```") == 0) inBlock = false;
            else if (!line.empty()) groups_[heading].push_back(line);
            continue;
        }
        if (line.compare(0, 3, "## ") == 0) {
            if (inSection) break;
            inSection = line == kEveryTextHeading;
            found = found || inSection;
            continue;
        }
        if (!inSection) continue;
        if (line.compare(0, 4, "### ") == 0) {
            heading = line.substr(4);
            groups_[heading];
        } else if (line.compare(0, 3, "```") == 0) {
            if (heading.empty()) {
                why = "a block before the first heading of the section";
                return false;
            }
            inBlock = true;
        }
    }
    if (!found) {
        why = std::string("no section \"") + kEveryTextHeading + "\"";
        return false;
    }
    return true;
}

std::string FailureTexts::Match(const std::string& heading, const std::string& text) const {
    for (const char* group : {heading.c_str(), kEveryCommand}) {
        auto found = groups_.find(group);
        if (found == groups_.end()) continue;
        for (const std::string& pattern : found->second)
            if (MatchesPattern(pattern, text)) return pattern;
    }
    return std::string();
}

namespace {

enum class Kind { Literal, Number, Hex, Id, Encoding, Any };

struct Token {
    Kind kind;
    std::string text;  // a literal's
};

bool WordChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }

std::vector<Token> Tokens(const std::string& pattern) {
    static const struct {
        const char* word;
        Kind kind;
    } words[] = {{"NAME", Kind::Any},     {"TEXT", Kind::Any}, {"LINE", Kind::Any}, {"URL", Kind::Any},
                 {"COMMAND", Kind::Any},  {"N", Kind::Number}, {"HEX", Kind::Hex}, {"ID", Kind::Id},
                 {"ENCODING", Kind::Encoding}};
    std::vector<Token> tokens;
    std::string literal;
    for (size_t at = 0; at < pattern.size();) {
        bool found = false;
        if (at == 0 || !WordChar(pattern[at - 1])) {
            for (const auto& word : words) {
                size_t n = strlen(word.word);
                if (pattern.compare(at, n, word.word) != 0) continue;
                if (at + n < pattern.size() && WordChar(pattern[at + n])) continue;
                if (!literal.empty()) tokens.push_back({Kind::Literal, literal});
                literal.clear();
                tokens.push_back({word.kind, word.word});
                at += n;
                found = true;
                break;
            }
        }
        if (!found) literal += pattern[at++];
    }
    if (!literal.empty()) tokens.push_back({Kind::Literal, literal});
    return tokens;
}

struct Captures {
    std::string number, hex;
};

bool MatchFrom(const std::vector<Token>& tokens, size_t t, const std::string& text, size_t at, Captures& captures);

bool Digits(const std::string& text, size_t at, size_t& end, bool sign) {
    end = at;
    if (sign && end < text.size() && text[end] == '-') ++end;
    size_t first = end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return end > first;
}

bool MatchFrom(const std::vector<Token>& tokens, size_t t, const std::string& text, size_t at, Captures& captures) {
    if (t == tokens.size()) return at == text.size();
    const Token& token = tokens[t];
    switch (token.kind) {
    case Kind::Literal:
        return text.compare(at, token.text.size(), token.text) == 0 &&
               MatchFrom(tokens, t + 1, text, at + token.text.size(), captures);
    case Kind::Number:
    case Kind::Id: {
        size_t end = 0;
        if (!Digits(text, at, end, token.kind == Kind::Number)) return false;
        // The digits run to their end: a number is never cut short.
        if (token.kind == Kind::Number) captures.number = text.substr(at, end - at);
        return MatchFrom(tokens, t + 1, text, end, captures);
    }
    case Kind::Hex: {
        if (at + 8 > text.size()) return false;
        for (size_t i = at; i < at + 8; ++i)
            if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'A' && text[i] <= 'F'))) return false;
        captures.hex = text.substr(at, 8);
        return MatchFrom(tokens, t + 1, text, at + 8, captures);
    }
    case Kind::Encoding: {
        for (const char* name : {"UTF-8 BOM", "UTF-8", "UTF-16 BE", "UTF-16", "ANSI"}) {
            size_t n = strlen(name);
            Captures tried = captures;
            if (text.compare(at, n, name) == 0 && MatchFrom(tokens, t + 1, text, at + n, tried)) {
                captures = tried;
                return true;
            }
        }
        return false;
    }
    case Kind::Any: {
        if (t + 1 == tokens.size()) return true;
        const Token& next = tokens[t + 1];
        // Before a literal, only where the literal stands.
        if (next.kind == Kind::Literal) {
            for (size_t from = text.find(next.text, at); from != std::string::npos;
                 from = text.find(next.text, from + 1)) {
                Captures tried = captures;
                if (MatchFrom(tokens, t + 1, text, from, tried)) {
                    captures = tried;
                    return true;
                }
            }
            return false;
        }
        for (size_t from = at; from <= text.size(); ++from) {
            Captures tried = captures;
            if (MatchFrom(tokens, t + 1, text, from, tried)) {
                captures = tried;
                return true;
            }
        }
        return false;
    }
    }
    return false;
}

}  // namespace

bool MatchesPattern(const std::string& pattern, const std::string& text) {
    std::vector<Token> tokens = Tokens(pattern);
    Captures captures;
    if (!MatchFrom(tokens, 0, text, 0, captures)) return false;
    if (captures.number.empty() || captures.hex.empty()) return true;
    // "error 5 (00000005)": the two are one number.
    char hex[16];
    snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(strtoll(captures.number.c_str(), nullptr, 10)));
    return captures.hex == hex;
}
