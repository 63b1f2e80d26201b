// JsonPath: where a value lies in a JSON document, as aRvik.JsonPath
// writes it: members by name (`a.b`), elements by index from 0
// (`items[0]`), a name that holds dots or brackets quoted (`["a.b"]`,
// with \" and \\ inside); the empty path is the whole document.
#pragma once

#include <stddef.h>

#include <Buffer.h>

class JsonPath {
public:
    struct Step {
        bool index;     // an element of an array, else a member of an object
        size_t number;  // the element's index
        size_t at;      // the member's name in UTF-8, in Name's text
        size_t length;
    };

    // False when text is no path; the steps are then unspecified.
    bool Parse(const wchar_t* text, size_t length);

    size_t Size() const { return steps_.Size(); }
    const Step& operator[](size_t k) const { return steps_.Data()[k]; }
    const char* Name(const Step& step) const { return names_.Data() + step.at; }

private:
    bool AddName(const wchar_t* name, size_t length);

    Buffer<Step> steps_;
    Buffer<char> names_;
};
