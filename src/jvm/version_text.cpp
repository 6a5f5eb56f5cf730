#include "jvm/version_text.h"

#include <cstring>

#include "files/text.h"

bool versionInRange(const char* version, const char* minVersion, const char* maxVersion) {
    if (strncmp(version, minVersion, strlen(minVersion)) < 0) return false;
    return strncmp(version, maxVersion, strlen(maxVersion)) <= 0;
}

static size_t shorter(const char* a, const char* b) {
    size_t la = strlen(a), lb = strlen(b);
    return la < lb ? la : lb;
}

bool versionNameInRange(const char* name, const char* minVersion, const char* maxVersion) {
    if (strncmp(name, minVersion, shorter(name, minVersion)) < 0) return false;
    return strncmp(name, maxVersion, shorter(name, maxVersion)) <= 0;
}

static const char BANNER_PREFIX[] = "java version \"";
static const size_t BANNER_PREFIX_LEN = sizeof BANNER_PREFIX - 1;

BannerResult parseBanner(const char* output, size_t length, char* version, size_t cap) {
    size_t compare = length < BANNER_PREFIX_LEN ? length : BANNER_PREFIX_LEN;
    if (memcmp(output, BANNER_PREFIX, compare) != 0) return BANNER_FAILED;
    if (length < BANNER_PREFIX_LEN) return BANNER_NEED_MORE;
    const char* cr = (const char*)memchr(output, '\r', length);
    if (!cr) return BANNER_NEED_MORE;
    size_t end = (size_t)(cr - output);
    // The character before the carriage return must lie behind the prefix,
    // or there is no closing quote and no version.
    if (end < BANNER_PREFIX_LEN + 1) return BANNER_FAILED;
    if (!copyChars(version, cap, output + BANNER_PREFIX_LEN, end - 1 - BANNER_PREFIX_LEN)) return BANNER_FAILED;
    return BANNER_OK;
}
