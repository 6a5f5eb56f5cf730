// Java versions as Java numbers them, and the texts that tell a version.
#pragma once
#include <cstddef>

// Orders two versions: runs of digits compare as numbers, every other
// character byte by byte, so 1.8.0_392 > 1.8.0_60 and 17 > 9 > 1.8. Only the
// first `components` pieces (a digit run or one other character) of each
// take part; a text that ends first is the smaller. Returns <0, 0 or >0.
int compareVersions(const char* a, const char* b, size_t components = (size_t)-1);
size_t versionComponents(const char* version);

// Strict: a bound is a prefix of whole components, so a maximum of 17 admits
// 17.0.9, and a minimum of 1.4.2 rejects 1.4.
bool versionInRange(const char* version, const char* minVersion, const char* maxVersion);
// Lenient, for registry names: over the shorter of the two in components.
bool versionNameInRange(const char* name, const char* minVersion, const char* maxVersion);

// The feature release a version names: 8 for 1.8.0_392, 17 for 17.0.9,
// 9 for 9-ea; 0 for a text that names none.
unsigned javaFeatureVersion(const char* version);

enum BannerResult { BANNER_NEED_MORE, BANNER_FAILED, BANNER_OK };

// Looks at the output received so far (`length` bytes). The banner is the
// first complete line of the form `<word> version "<text>"`; lines before it
// of another form are skipped, and lines end in LF or CR LF. `ended` says
// that no more output will come, so a last line without its end counts too.
BannerResult parseBanner(const char* output, size_t length, bool ended, char* version, size_t cap);

// The version of a Java home's release file: the value of its
// JAVA_VERSION="..." line. False when there is none.
bool parseReleaseVersion(const char* text, size_t length, char* version, size_t cap);
