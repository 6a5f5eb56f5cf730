// Whether a Java can run a class file of a given version: a VM that does
// not check it itself would run a class built for a newer Java, and fail
// later, far from the cause.
#pragma once
#include <cstddef>
#include <cstdint>

// The class file's major version from its first 8 bytes; 0 where they are
// no class file's.
unsigned classFileMajor(const uint8_t* head, size_t n);
// The highest major version a Java of this feature version runs (8: 52);
// 0 where the version is unknown.
unsigned highestClassMajor(unsigned javaFeature);
// The Java that a class file of this major version needs, as users name
// it (52 is 8, 65 is 21); 0 below Java 5.
unsigned javaForClassMajor(unsigned major);
// The class file's version that a VM names in its words of refusal
// ("class file version 65.0", or Java 8's "major.minor version 52.0"); 0
// where they name none.
unsigned classMajorInWords(const char* words);
// The words of the error that a VM gives for such a class, for the user.
void classTooNewText(char* dst, size_t cap, const char* internalName, unsigned major, unsigned highest);
