// Bounded text helpers. Every path, command line and configuration text of
// the launcher lives in a fixed buffer; these are the only ways text is
// written into one, so no copy can run past its capacity.
#pragma once
#include <cstddef>
#include <initializer_list>

enum { TEXT_CAP = 8192 };

// Each returns false when the text had to be cut to fit; the destination is
// always terminated.
bool copyText(char* dst, size_t cap, const char* src);
bool copyChars(char* dst, size_t cap, const char* src, size_t n);
bool appendText(char* dst, size_t cap, const char* src);
bool appendChars(char* dst, size_t cap, const char* src, size_t n);
// Appends each part in turn; false when any had to be cut.
bool appendTexts(char* dst, size_t cap, std::initializer_list<const char*> parts);
// A whole text of decimal digits as its value; 0 for any other text or a
// value of 2^60 or more.
unsigned long long decimalValue(const char* text);
// Appends a number in decimal, without leading zeros.
bool appendUnsigned(char* dst, size_t cap, unsigned long long value);
// The length of the longest start of `text` that holds at most `maxBytes`
// bytes and ends on a UTF-8 character boundary, so that a cut never leaves
// half a character behind.
size_t utf8Prefix(const char* text, size_t maxBytes);
