#include <gtest/gtest.h>

#include <string>

#include "errors/message_text.h"
#include "files/text.h"

TEST(SubstitutePlaceholder, ReplacesOnlyTheFirstOccurrenceOnce) {
    char t[TEXT_CAP] = "An internal error occured (error code: %ERROR_CODE%)";
    EXPECT_TRUE(substitutePlaceholder(t, sizeof t, "%ERROR_CODE%", "11"));
    EXPECT_STREQ("An internal error occured (error code: 11)", t);

    char twice[TEXT_CAP] = "%X% and %X%";
    substitutePlaceholder(twice, sizeof twice, "%X%", "[%X%]");
    EXPECT_STREQ("[%X%] and %X%", twice);

    char none[TEXT_CAP] = "File or directory %FILE_NAME% not found or empty\n";
    substitutePlaceholder(none, sizeof none, "%ENV_VAR_NAME%", "x");
    EXPECT_STREQ("File or directory %FILE_NAME% not found or empty\n", none);
    substitutePlaceholder(none, sizeof none, "%FILE_NAME%", ".\\a.jar");
    EXPECT_STREQ("File or directory .\\a.jar not found or empty\n", none);
}

TEST(SubstitutePlaceholder, AnOverlongValueIsCutAtTheCapacity) {
    std::string value(TEXT_CAP * 2, 'v');
    char t[TEXT_CAP] = "The %ENV_VAR_NAME% envionment variable";
    EXPECT_FALSE(substitutePlaceholder(t, sizeof t, "%ENV_VAR_NAME%", value.c_str()));
    EXPECT_EQ(TEXT_CAP - 1u, strlen(t));
    EXPECT_EQ(0, strncmp(t, "The vvv", 7));
}

TEST(ProductWords, NameTheProductAndWhatItNeedsWherePlaced) {
    const char* pattern = "%NAME% needs Java %MIN_VERSION% or newer (%NEEDED_BITS%).\nInstall it, then start %NAME% again.";
    char t[TEXT_CAP];
    copyText(t, sizeof t, pattern);
    EXPECT_TRUE(fillProductWords(t, sizeof t, "Orvan Desk", "17", "64-bit"));
    EXPECT_STREQ("Orvan Desk needs Java 17 or newer (64-bit).\nInstall it, then start Orvan Desk again.", t);
    // No lower bound: nothing to claim about versions.
    copyText(t, sizeof t, pattern);
    fillProductWords(t, sizeof t, "Orvan Desk", "", "32-bit");
    EXPECT_STREQ("Orvan Desk needs Java (32-bit).\nInstall it, then start Orvan Desk again.", t);
    // A name that holds a placeholder is not read again; a long one is cut.
    copyText(t, sizeof t, "%NAME%/%NAME%");
    fillProductWords(t, sizeof t, "%NAME%", "", "");
    EXPECT_STREQ("%NAME%/%NAME%", t);
    std::string huge(TEXT_CAP, 'n');
    EXPECT_FALSE(fillProductWords(t, sizeof t, huge.c_str(), "", ""));
    EXPECT_EQ(TEXT_CAP - 1u, strlen(t));
}
