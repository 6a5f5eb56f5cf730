#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/class_data_text.h"

namespace {

std::vector<std::string> optionsFor(unsigned feature, bool vm64, bool javaExe, bool exists) {
    StringList list = {nullptr, 0, 0};
    EXPECT_TRUE(addSharingOptions(sharingKind(feature, vm64, javaExe), "C:\\cds\\a.jsa", exists, &list));
    std::vector<std::string> out(list.items, list.items + list.count);
    freeStringList(&list);
    return out;
}

}  // namespace

TEST(ClassDataSharing, EachJavaGetsTheOptionsItKnowsFirstAndLater) {
    using V = std::vector<std::string>;
    EXPECT_EQ(V{}, optionsFor(11, true, true, false));
    EXPECT_EQ(V{}, optionsFor(21, false, true, false));
    EXPECT_EQ(V{"-XX:ArchiveClassesAtExit=C:\\cds\\a.jsa"}, optionsFor(17, true, true, false));
    EXPECT_EQ(V{"-XX:SharedArchiveFile=C:\\cds\\a.jsa"}, optionsFor(17, true, true, true));
    V automatic = {"-XX:+AutoCreateSharedArchive", "-XX:SharedArchiveFile=C:\\cds\\a.jsa"};
    EXPECT_EQ(automatic, optionsFor(21, true, true, false));
    EXPECT_EQ(automatic, optionsFor(21, true, true, true));
    EXPECT_EQ(automatic, optionsFor(25, true, false, false));
    EXPECT_EQ(V{"-XX:AOTCacheOutput=C:\\cds\\a.jsa"}, optionsFor(25, true, true, false));
    EXPECT_EQ(V{"-XX:AOTCache=C:\\cds\\a.jsa"}, optionsFor(25, true, true, true));
}

TEST(ClassDataSharing, OptionsThatManageItOrChangeTheArchiveAreKnownAndOnlyOwnNamesAreArchives) {
    for (const char* own : {"-Xshare:off", "-XX:SharedArchiveFile=x.jsa", "-XX:AOTMode=off", "-XX:AOTCache=a",
                            "-XX:-UseSharedSpaces", "-XX:VMOptionsFile=more.txt"})
        EXPECT_TRUE(namesSharing(own)) << own;
    EXPECT_FALSE(namesSharing("-Xmx1g"));
    for (const char* agent : {"-agentlib:jdwp=transport=dt_socket", "-javaagent:a.jar", "-Xfoo -agentpath:C:\\p.dll"})
        EXPECT_TRUE(namesAgent(agent)) << agent;
    EXPECT_FALSE(namesAgent("-Dagent=-javaagent"));
    for (const char* changes : {"-XX:+UseZGC", "-Xmx40g", "--enable-preview", "-javaagent:a.jar"})
        EXPECT_TRUE(changesArchive(changes)) << changes;
    for (const char* every : {"-Dtarvo.commFile=C:\\t\\x.tmp", "-Dsun.java.command=Main a", "-Djava.class.path=a.jar"})
        EXPECT_FALSE(changesArchive(every)) << every;
    char name[32];
    archiveName(0x0123456789abcdefULL, SHARING_AOT, name, sizeof name);
    EXPECT_STREQ("0123456789abcdef.aot", name);
    EXPECT_TRUE(isArchiveName("0123456789abcdef.jsa"));
    for (const char* foreign : {"app.jsa", "0123456789abcdeF.jsa", "0123456789abcdef.jsa.tmp", "classes.jsa"})
        EXPECT_FALSE(isArchiveName(foreign)) << foreign;
}
