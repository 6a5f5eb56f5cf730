#include "app/class_version_text.h"

#include <cstring>

#include "files/text.h"

unsigned classFileMajor(const uint8_t* head, size_t n) {
    if (n < 8 || head[0] != 0xCA || head[1] != 0xFE || head[2] != 0xBA || head[3] != 0xBE) return 0;
    return (unsigned)(head[6] << 8 | head[7]);
}

// Java 1.1 read major version 45, and each release since one more.
unsigned highestClassMajor(unsigned javaFeature) { return javaFeature ? javaFeature + 44 : 0; }

unsigned javaForClassMajor(unsigned major) { return major >= 49 ? major - 44 : 0; }

unsigned classMajorInWords(const char* words) {
    for (const char* mark : {"class file version ", "major.minor version "}) {
        const char* at = strstr(words, mark);
        if (!at) continue;
        unsigned major = 0;
        for (at += strlen(mark); *at >= '0' && *at <= '9' && major < 100000; ++at) major = major * 10 + (unsigned)(*at - '0');
        return major;
    }
    return 0;
}

void classTooNewText(char* dst, size_t cap, const char* internalName, unsigned major, unsigned highest) {
    char found[16] = "", known[16] = "";
    appendUnsigned(found, sizeof found, major);
    appendUnsigned(known, sizeof known, highest);
    copyText(dst, cap, "java.lang.UnsupportedClassVersionError: ");
    appendTexts(dst, cap, {internalName, " has been compiled by a more recent version of the Java Runtime (class file version ",
                           found, ".0), this version of the Java Runtime only recognizes class file versions up to ",
                           known, ".0"});
}
