#include "files/version_text.h"

#include <cstring>

#include "files/text.h"

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One component: a run of digits, or a single other character.
static size_t componentLength(const char* at) {
    if (!isDigit(*at)) return *at ? 1 : 0;
    size_t n = 0;
    while (isDigit(at[n])) ++n;
    return n;
}

// Compares digit runs as numbers of any length, without converting them.
static int compareNumbers(const char* a, size_t la, const char* b, size_t lb) {
    while (la > 1 && *a == '0') ++a, --la;
    while (lb > 1 && *b == '0') ++b, --lb;
    if (la != lb) return la < lb ? -1 : 1;
    return memcmp(a, b, la);
}

int compareVersions(const char* a, const char* b, size_t components) {
    for (size_t i = 0; i < components; ++i) {
        size_t la = componentLength(a), lb = componentLength(b);
        if (la == 0 || lb == 0) return la == lb ? 0 : (la == 0 ? -1 : 1);
        int order = isDigit(*a) && isDigit(*b) ? compareNumbers(a, la, b, lb)
                                               : (int)(unsigned char)*a - (int)(unsigned char)*b;
        if (order != 0) return order;
        a += la;
        b += lb;
    }
    return 0;
}

size_t versionComponents(const char* version) {
    size_t n = 0;
    for (size_t len; (len = componentLength(version)) != 0; version += len) ++n;
    return n;
}

bool versionInRange(const char* version, const char* minVersion, const char* maxVersion) {
    if (compareVersions(version, minVersion, versionComponents(minVersion)) < 0) return false;
    return compareVersions(version, maxVersion, versionComponents(maxVersion)) <= 0;
}

static unsigned leadingNumber(const char* at, const char** end) {
    unsigned value = 0;
    for (; isDigit(*at) && value < 100000; ++at) value = value * 10 + (unsigned)(*at - '0');
    *end = at;
    return value;
}

unsigned javaFeatureVersion(const char* version) {
    const char* rest = version;
    unsigned first = leadingNumber(version, &rest);
    // Up to Java 8 the feature release is the second number of 1.x.
    if (first == 1 && *rest == '.') return leadingNumber(rest + 1, &rest);
    return first;
}

static size_t shorter(size_t a, size_t b) { return a < b ? a : b; }

bool versionNameInRange(const char* name, const char* minVersion, const char* maxVersion) {
    size_t n = versionComponents(name);
    if (compareVersions(name, minVersion, shorter(n, versionComponents(minVersion))) < 0) return false;
    return compareVersions(name, maxVersion, shorter(n, versionComponents(maxVersion))) <= 0;
}

// The quoted text of `<word> version "<text>"` in one line, if it has that
// form; what follows the closing quote does not matter.
static bool versionOfLine(const char* line, size_t length, char* version, size_t cap) {
    static const char MIDDLE[] = " version \"";
    const size_t middleLength = sizeof MIDDLE - 1;
    size_t word = 0;
    while (word < length && line[word] != ' ' && line[word] != '\t') ++word;
    if (word == 0 || length - word < middleLength || memcmp(line + word, MIDDLE, middleLength) != 0) return false;
    const char* text = line + word + middleLength;
    size_t rest = length - word - middleLength;
    const char* quote = (const char*)memchr(text, '"', rest);
    if (!quote || quote == text) return false;
    return copyChars(version, cap, text, (size_t)(quote - text));
}

BannerResult parseBanner(const char* output, size_t length, bool ended, char* version, size_t cap) {
    size_t start = 0;
    while (start < length) {
        const char* lf = (const char*)memchr(output + start, '\n', length - start);
        if (!lf && !ended) return BANNER_NEED_MORE;
        size_t end = lf ? (size_t)(lf - output) : length;
        size_t lineLength = end - start;
        if (lineLength > 0 && output[end - 1] == '\r') --lineLength;
        if (versionOfLine(output + start, lineLength, version, cap)) return BANNER_OK;
        start = end + 1;
    }
    return ended ? BANNER_FAILED : BANNER_NEED_MORE;
}

bool parseReleaseVersion(const char* text, size_t length, char* version, size_t cap) {
    static const char KEY[] = "JAVA_VERSION=\"";
    const size_t keyLength = sizeof KEY - 1;
    for (size_t start = 0; start < length;) {
        const char* lf = (const char*)memchr(text + start, '\n', length - start);
        size_t end = lf ? (size_t)(lf - text) : length;
        if (end - start > keyLength && memcmp(text + start, KEY, keyLength) == 0) {
            const char* value = text + start + keyLength;
            const char* quote = (const char*)memchr(value, '"', end - start - keyLength);
            return quote && quote != value && copyChars(version, cap, value, (size_t)(quote - value));
        }
        start = end + 1;
    }
    return false;
}
