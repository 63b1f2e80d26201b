// The value and command pairs the fuzzer does not draw while faults it
// found are being fixed: each names the command, the property and the
// kind of value (HostileValues.h; "*" stands for any run of characters,
// "|" between kinds for either), and says why in one line. The list is
// the one place to change: empty it as the fixes land. "--all" draws them
// too.
#pragma once

#include <string>
#include <vector>

struct Exclusion {
    const char* command;   // "aRvik.PutEnv"
    const char* property;  // "aRvik.Name"
    const char* kind;      // "name-32767", "*/device-aux"
    const char* why;
};

const std::vector<Exclusion>& Exclusions();

// Whether kind matches pattern, "*" standing for any run of characters and
// "|" separating alternatives.
bool KindMatches(const char* pattern, const std::string& kind);

// The exclusion that covers the value, or null.
const Exclusion* Excluded(const std::string& command, const std::string& property, const std::string& kind);
