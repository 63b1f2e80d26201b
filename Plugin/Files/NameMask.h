// NameMask: the mask of aRvik.FileList, matched against a name as it is
// stored (the long name; a short 8.3 name never counts). "*" is any run of
// characters, none included; "?" exactly one (a pair of surrogates is one);
// every other character stands for itself, case ignored as the file system
// ignores it (upper-cased by the system's table, not by a language's
// rules). Trailing dots and blanks are dropped, as the file system drops
// them from a name ("*.txt." is "*.txt"); when a dot was among them, a "*"
// that then ends the mask matches no dot: "*." gives the names without an
// extension, "a*." those of them beginning with "a".
#pragma once

#include <Buffer.h>

class NameMask {
public:
    explicit NameMask(const wchar_t* mask);
    NameMask(const NameMask&) = delete;
    NameMask& operator=(const NameMask&) = delete;

    // Whether every name matches ("*", "**").
    bool All() const { return all_; }
    // Whether the name of length characters matches.
    bool Matches(const wchar_t* name, size_t length) const;

private:
    Buffer<wchar_t> mask_;  // upper-cased, trailing dots and blanks dropped
    bool dotless_ = false;  // the last "*" matches no dot
    bool all_ = false;
};
