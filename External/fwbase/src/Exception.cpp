#include <fwbase/Exception.h>

KelmirException::KelmirException(const aref<char>& message) : message_(message) {}

KelmirException::~KelmirException() {}

const char* KelmirException::Reason() const { return message_.c_str() ? message_.c_str() : ""; }

ResourceException::ResourceException(const string& text, const string& name)
    : KelmirException(string(text.c_str()) + name.c_str()), text_(text), name_(name) {}
