// The exception family of the support libraries. Objects are thrown by value
// and caught by reference; Reason() gives the text shown to the user.
#pragma once

#include <windows.h>

#include <str.h>

class KelmirException {
public:
    explicit KelmirException(const aref<char>& message);
    virtual ~KelmirException();
    const char* Reason() const;

private:
    string message_;
};

// A failure concerning a named resource; the reason is text followed by name.
class ResourceException : public KelmirException {
public:
    ResourceException(const string& text, const string& name);
    const string& Text() const { return text_; }
    const string& Name() const { return name_; }

private:
    string text_;
    string name_;
};

class InvalidValue : public KelmirException {
public:
    explicit InvalidValue(const string& message) : KelmirException(message) {}
};

class NumericScanException : public InvalidValue {
public:
    explicit NumericScanException(const string& message) : InvalidValue(message) {}
};

// The text is not a number of the kind asked for.
class NumericSyntax : public NumericScanException {
public:
    explicit NumericSyntax(const string& message) : NumericScanException(message) {}
};

// A failed COM result.
class CoError : public KelmirException {
public:
    CoError(HRESULT code, const string& message) : KelmirException(message), code_(code) {}
    HRESULT Code() const { return code_; }

private:
    HRESULT code_;
};

class OleError : public CoError {
public:
    OleError(HRESULT code, const string& message) : CoError(code, message) {}
};

// An Automation error with its own number, source and description.
class OleAutoException : public OleError {
public:
    OleAutoException(HRESULT code, LONG number, const string& source, const string& description,
                     const string& message)
        : OleError(code, message), number_(number), source_(source), description_(description) {}
    LONG Number() const { return number_; }
    const string& Source() const { return source_; }
    const string& Description() const { return description_; }

private:
    LONG number_;
    string source_;
    string description_;
};
