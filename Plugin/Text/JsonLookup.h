// JsonLookup: the value a JsonPath names in a JSON document, found in one
// pass of RapidJSON's iterative reader (no tree of the document is built,
// and no depth of nesting reaches the thread's stack). The whole document
// is read, so that a fault after the value still fails.
#pragma once

#include <stddef.h>

#include <Buffer.h>

#include "Text/JsonPath.h"

// The deepest nesting of objects and arrays a document may have.
const size_t jsonDepthLimit = 512;

struct JsonLookup {
    enum Outcome { Found, Absent, Malformed, TooDeep };
    enum Kind { String, Number, Bool, Null, Object, Array };

    // Looks for path in text, UTF-8 that ends at its first zero.
    JsonLookup(const char* text, const JsonPath& path);

    Outcome outcome;
    Kind kind = Null;
    // Found: the value in UTF-8: a string's characters, a number as the
    // document writes it, true, false, null, an object or array as compact
    // JSON.
    Buffer<char> value;
    // Malformed and TooDeep: where the reader stopped, in bytes from the
    // start; Malformed: why, in Russian.
    size_t offset = 0;
    const char* reason = "";
};

// The name aRvik.Result gives the kind: "string", "number", ...
const char* JsonKindName(JsonLookup::Kind kind);
