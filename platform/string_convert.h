#pragma once
// The integer rule by which every integer is read from the XML files, and decimal text.

#include <string>

// True for an optionally negative decimal integer ("-" needs a character after it), or "".
bool IsDecimalString(const char* text);

// True for an optionally negative, optionally "0x"/"0X"-prefixed hexadecimal integer, or "".
bool IsHexString(const char* text);

// Decimal text converts as decimal (""  gives 0), saturating at the 32-bit limits; else
// hexadecimal text as an unsigned 32-bit number taken as signed ("-" negates; a magnitude
// beyond 32 bits gives 0xFFFFFFFF, that is -1); else `defaultValue`.
int FromString(const std::string& text, const int& defaultValue);

// The text itself; the default is not used.
std::string FromString(const std::string& text, const std::string& defaultValue);

// Decimal text of `value`, as printf "%d" writes it.
std::string ToString(const int& value);
