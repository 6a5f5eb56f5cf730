#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "files/text.h"
#include "jvm/image_text.h"
#include "jvm/search_report_text.h"
#include "jvm/search_text.h"

namespace {

SearchEntry entry(const char* path, const char* version, Verdict verdict, uint16_t machine = 0) {
    SearchEntry e = {};
    copyText(e.javaPath, sizeof e.javaPath, path);
    copyText(e.version, sizeof e.version, version);
    e.machine = machine;
    e.verdict = verdict;
    return e;
}

}  // namespace

TEST(SearchReport, OneLineForEachVerdictAndACountOfWhatDidNotFit) {
    std::unique_ptr<SearchReport> report(new SearchReport());
    addSearchEntry(report.get(), entry("c:\\jdk17\\bin\\java.exe", "17.0.9", VERDICT_WRONG_BITNESS, MACHINE_AMD64));
    addSearchEntry(report.get(), entry("c:\\jre6\\bin\\java.exe", "1.6.0_45", VERDICT_TOO_OLD));
    addSearchEntry(report.get(), entry("c:\\jdk21\\bin\\java.exe", "21", VERDICT_TOO_NEW));
    addSearchEntry(report.get(), entry("c:\\hung\\bin\\java.exe", "", VERDICT_NO_VERSION));
    addSearchEntry(report.get(), entry("c:\\srv\\jre\\bin\\java.exe", "1.8.0_392", VERDICT_NO_JAVAW));
    addSearchEntry(report.get(), entry("c:\\gone\\bin\\java.exe", "", VERDICT_MISSING));
    addSearchEntry(report.get(), entry("c:\\jdk11\\bin\\java.exe", "11.0.2", VERDICT_ACCEPTED));
    for (int i = 0; i < 8; ++i) addSearchEntry(report.get(), entry("c:\\x\\bin\\java.exe", "1.1", VERDICT_TOO_OLD));
    char text[TEXT_CAP];
    searchReportText(report.get(), "1.8", "17", MACHINE_I386, text, sizeof text);
    const std::string dash = " \xE2\x80\x94 ";
    std::string expected = "Java 17.0.9 in c:\\jdk17\\" + dash + "64-bit, this program needs 32-bit\n" +
                           "Java 1.6.0_45 in c:\\jre6\\" + dash + "older than 1.8\n" +  //
                           "Java 21 in c:\\jdk21\\" + dash + "newer than 17\n" +         //
                           "Java in c:\\hung\\" + dash + "it did not tell its version in time\n" +
                           "Java 1.8.0_392 in c:\\srv\\" + dash + "it has no javaw.exe\n" +
                           "No java.exe at c:\\gone\\bin\\java.exe\n" +  //
                           "Java 11.0.2 in c:\\jdk11\\" + dash + "chosen\n";
    for (int i = 0; i < 3; ++i) expected += "Java 1.1 in c:\\x\\" + dash + "older than 1.8\n";
    expected += "and 5 more";
    EXPECT_EQ(expected, text);

    char small[40];
    searchReportText(report.get(), "1.8", "17", MACHINE_I386, small, sizeof small);
    EXPECT_EQ(39u, std::string(small).size());
}

TEST(SearchReport, LeadsWithWhatIsNeededOnlyWhereEveryJavaWasOfTheWrongKind) {
    std::unique_ptr<SearchReport> report(new SearchReport());
    EXPECT_FALSE(onlyUnsuitableJavas(report.get())) << "nothing found: nothing to say of kinds";
    addSearchEntry(report.get(), entry("c:\\gone\\bin\\java.exe", "", VERDICT_MISSING));
    EXPECT_FALSE(onlyUnsuitableJavas(report.get()));
    addSearchEntry(report.get(), entry("c:\\jdk17\\bin\\java.exe", "17.0.9", VERDICT_WRONG_BITNESS, MACHINE_I386));
    addSearchEntry(report.get(), entry("c:\\jre6\\bin\\java.exe", "1.6.0_45", VERDICT_TOO_OLD));
    EXPECT_TRUE(onlyUnsuitableJavas(report.get()));
    // A broken Java may be the one the user meant: the plain message leads.
    addSearchEntry(report.get(), entry("c:\\srv\\jre\\bin\\java.exe", "1.8.0_392", VERDICT_NO_JAVAW));
    EXPECT_FALSE(onlyUnsuitableJavas(report.get()));
}

TEST(SearchReport, OnArmX64IsNamedApartFromArm64AndTakesItsArticle) {
    char line[TEXT_CAP];
    searchEntryLine(entry("c:\\jdk21\\bin\\java.exe", "21", VERDICT_WRONG_BITNESS, MACHINE_AMD64), "17", "",
                    MACHINE_ARM64, line, sizeof line);
    EXPECT_EQ("Java 21 in c:\\jdk21\\ \xE2\x80\x94 x64, this program needs ARM64", std::string(line));
    wrongBitnessText(line, sizeof line, "Java (%JAVA_BITS%), a %JAVA_BITS% one; this needs a %NEEDED_BITS% Java.",
                     "21", "c:\\jdk21\\", "x64", "ARM64");
    EXPECT_EQ("Java (x64), an x64 one; this needs an ARM64 Java.", std::string(line));
}
