// UTF-8, the project file's encoding, to and from UTF-16, the resources'.
#pragma once
#include <string>

// False on bytes that are not UTF-8.
bool utf8ToUtf16(const std::string& in, std::u16string* out);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const std::u16string& in);
