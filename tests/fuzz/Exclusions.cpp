#include "Exclusions.h"

#include <string.h>

const std::vector<Exclusion>& Exclusions() {
    // Faults found and being fixed; the bounded run of make test passes
    // meanwhile. Empty it entry by entry as the fixes land.
    static const std::vector<Exclusion> list = {
    };
    return list;
}

bool KindMatches(const char* pattern, const std::string& kind) {
    if (const char* bar = strchr(pattern, '|'))
        return KindMatches(std::string(pattern, bar).c_str(), kind) || KindMatches(bar + 1, kind);
    const char* star = strchr(pattern, '*');
    if (!star) return kind == pattern;
    size_t head = static_cast<size_t>(star - pattern);
    if (kind.compare(0, head, pattern, head) != 0) return false;
    // The rest matches somewhere after the head.
    for (size_t at = head; at <= kind.size(); ++at)
        if (KindMatches(star + 1, kind.substr(at))) return true;
    return false;
}

const Exclusion* Excluded(const std::string& command, const std::string& property, const std::string& kind) {
    for (const Exclusion& e : Exclusions()) {
        if (command == e.command && property == e.property && KindMatches(e.kind, kind)) return &e;
    }
    return nullptr;
}
