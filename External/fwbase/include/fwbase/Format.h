// Formatting and scanning of numbers and texts.
//
// Number kinds, for ScanNumber, ScanNumberEx and Format:
//   kind 0  the plain number: optional sign, digits with an optional point
//           and fraction (".5" and "5." are numbers), an optional exponent
//           ("1e3", "2.5E-2"); blanks around it are allowed.
//   kind 2  everything kind 0 takes, plus a decimal comma as Russian users
//           type it ("-2,9") and hexadecimal integers after "0x" or "0X"
//           ("0x1F", "-0x10").
// Anything else (an empty text, garbage, a number followed by letters)
// throws NumericSyntax. Scanning never reads past the terminator.
#pragma once

#include <str.h>

// The kinds above by name.
enum NumberKind { NumberPlain = 0, NumberCommaOrHex = 2 };

// printf into a new string of at most size - 1 characters.
string FormatBuffer(int size, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));

// Reads text as a number of the given kind. decimals is the number of
// fraction digits the caller shows (not used for reading); with blanks
// false the text must be the number alone, without blanks around it.
double ScanNumber(int kind, const char* text, int decimals, bool blanks);

// Reads text as a number of the given kind, blanks around it allowed. When
// low < high the value must lie within [low, high]; low == high == 0 sets
// no range. A value outside the range throws NumericSyntax as well.
double ScanNumberEx(int kind, const char* text, int low, int high);

// Writes value with the given number of decimals. Kind 0 uses a point and
// writes integers as plain digits ("-42", "4294967295"); kind 2 uses a
// decimal comma. Both scan back with their kind.
string Format(int kind, double value, int decimals);
