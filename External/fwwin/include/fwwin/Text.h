// Text helpers of the window library.
#pragma once

#include <stddef.h>

// Strips leading and trailing blanks (space, tab, CR, LF) in place and
// returns the start of what is left, inside the same buffer. A null buffer
// gives null.
char* trim(char* buffer);

typedef int (*SearchCompare)(const void* a, const void* b);

// Mode bits of searchpos.
enum SearchMode {
    SearchAfterEqual = 1,  // the position after equal elements, else before
    SearchUnique = 2,      // -1 when an equal element is present
};

// Insertion index of key (a pointer to an element pointer, as compare
// expects) in the sorted array of count elements of elementSize bytes, by
// bisection. With SearchUnique in mode, -1 when an equal element is there.
int searchpos(const void* key, const void* array, int count, int elementSize, int mode,
              SearchCompare compare);
