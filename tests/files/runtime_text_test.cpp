#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "files/runtime_text.h"

namespace {

// The entries read, "size path;" each, and how the index ended.
std::string readIndex(const std::string& index) {
    const char* at = index.data();
    std::string out;
    unsigned long long size = 0;
    char path[64];
    for (;;) {
        RuntimeEntry e = nextRuntimeEntry(&at, index.data() + index.size(), &size, path, sizeof path);
        if (e == ENTRY_END) return out + "end";
        if (e == ENTRY_BAD) return out + "bad";
        out += std::to_string(size) + " " + path + ";";
    }
}

}  // namespace

TEST(RuntimeIndex, ReadsEachFileAndEndsAsDamagedAtAnythingElse) {
    EXPECT_EQ("512 bin\\server\\jvm.dll;0 release;end", readIndex("512 bin\\server\\jvm.dll\n0 release\n"));
    EXPECT_EQ("end", readIndex(""));
    // Cut short, no size, a path that leaves the folder or names a device,
    // a path too long for the buffer, a size beyond any file's.
    for (const char* bad : {"12 release", " release\n", "12 ..\\evil.dll\n", "12 bin\\\\x\n", "12 \\x\n",
                            "12 lib\\NUL\n", "99999999999999999999 x\n"})
        EXPECT_EQ("bad", readIndex(bad)) << bad;
    EXPECT_EQ("bad", readIndex("1 " + std::string(64, 'a') + "\n"));
    EXPECT_EQ("bad", readIndex(std::string("1 a\0b\n", 6)));
}

// What a copy may hold: the listed files, in any case, and the folders
// that hold them; nothing else.
TEST(RuntimeIndex, ListsItsFilesAndTheirFoldersAndNothingElse) {
    const std::string index = "9 release\n512 bin\\server\\jvm.dll\n7 lib\\modules\n";
    StringList names = {nullptr, 0, 0};
    ASSERT_TRUE(indexNames(index.data(), index.size(), &names));
    for (const char* file : {"release", "BIN\\Server\\JVM.dll", "lib\\modules"})
        EXPECT_TRUE(indexLists(&names, file, false)) << file;
    for (const char* folder : {"bin", "bin\\server", "LIB"}) EXPECT_TRUE(indexLists(&names, folder, true)) << folder;
    for (const char* file : {"bin", "lib\\ext\\planted.jar", "bin\\server\\classes.jsa", "releases", "rel"})
        EXPECT_FALSE(indexLists(&names, file, false)) << file;
    for (const char* folder : {"bi", "lib\\ext", "release", "bin\\server\\jvm.dll"})
        EXPECT_FALSE(indexLists(&names, folder, true)) << folder;
    freeStringList(&names);
    EXPECT_FALSE(indexNames("1 ..\\x\n", 7, &names));
    freeStringList(&names);
}

TEST(RuntimeIndex, NamesTheFolderByTheHashsFirstDigits) {
    char name[20];
    ASSERT_TRUE(runtimeFolderName("0123456789abcdef0011", name, sizeof name));
    EXPECT_STREQ("0123456789abcdef", name);
    EXPECT_FALSE(runtimeFolderName("0123456789ABCDEF", name, sizeof name));
    EXPECT_FALSE(runtimeFolderName("..\\..\\x", name, sizeof name));
}

TEST(RuntimeFolders, OnlyNamesTheLauncherMakesAreItsOwn) {
    EXPECT_EQ(COPY_WHOLE, copyFolderKind("0123456789abcdef"));
    EXPECT_EQ(COPY_UNFINISHED, copyFolderKind("0123456789abcdef.partial-4242"));
    EXPECT_EQ(COPY_SET_ASIDE, copyFolderKind("0123456789abcdef.old-17"));
    EXPECT_EQ(COPY_SET_ASIDE, copyFolderKind("0123456789abcdef.gone-17"));
    for (const char* theirs : {"projects", "0123456789ABCDEF", "0123456789abcde", "0123456789abcdef0",
                               "0123456789abcdef.partial-", "0123456789abcdef.partial-12x", "0123456789abcdef.bak",
                               "0123456789abcdef.gone-12345678901", ""})
        EXPECT_EQ(COPY_NOT_OURS, copyFolderKind(theirs)) << theirs;
}
