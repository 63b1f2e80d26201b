// Scratch: a folder of its own below %TEMP%, named after stem, the process
// and a serial, made empty when the object is made and removed with
// everything in it when it goes. error is 0 when the folder was made, else
// the system's error code.
// RemoveTree: deletes a folder (a closing backslash is allowed) with
// everything below it, read-only files too.
#pragma once

#include <windows.h>

#include <string>

class Scratch {
public:
    explicit Scratch(const char* stem);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // Full name of a file in the folder.
    std::string operator+(const char* name) const { return folder + name; }

    std::string folder;  // ends in a backslash
    DWORD error = 0;
};

void RemoveTree(const std::string& folder);
