// Small file chores of the tests and the bench: where the running
// executable lies, a file's whole content, whether a name exists.
#pragma once

#include <string>

// The running executable's folder, with a closing backslash.
std::string ExeFolder();
// The whole content of a file, read while others may write or delete it;
// missing when it cannot be opened.
std::string ReadWhole(const std::string& name, const char* missing = "<missing>");
// Whether a file or folder of that name exists.
bool Exists(const std::string& name);
