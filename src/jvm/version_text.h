// Java versions as opaque byte strings, and the banner that tells them.
#pragma once
#include <cstddef>

// Strict: the version is compared over each bound's whole length.
bool versionInRange(const char* version, const char* minVersion, const char* maxVersion);
// Lenient, for registry names: over the shorter of the two lengths.
bool versionNameInRange(const char* name, const char* minVersion, const char* maxVersion);

enum BannerResult { BANNER_NEED_MORE, BANNER_FAILED, BANNER_OK };

// Looks at the output received so far (text of `length` bytes, terminated):
// it must begin with `java version "`, and its first line must end in a
// carriage return. The version runs to the character before that carriage
// return, which is taken to be the closing quote.
BannerResult parseBanner(const char* output, size_t length, char* version, size_t cap);
