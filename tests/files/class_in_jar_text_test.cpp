#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/class_version_text.h"
#include "files/inflate_text.h"
#include "files/zip_text.h"

namespace {

std::vector<uint8_t> rawDeflate(const std::string& text, int level, int strategy) {
    z_stream z = {};
    EXPECT_EQ(Z_OK, deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy));
    std::vector<uint8_t> out(deflateBound(&z, text.size()) + 16);
    z.next_in = (Bytef*)text.data();
    z.avail_in = (uInt)text.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The major version of `entry` in a jar file, read as the launcher reads it.
unsigned majorInJar(const std::string& path, const std::string& entry) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> jar((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t tail = jar.size() < (size_t)ZIP_TAIL_CAP ? jar.size() : (size_t)ZIP_TAIL_CAP;
    ZipDirectory dir;
    ZipEntry e;
    if (!zipDirectory(jar.data() + jar.size() - tail, tail, &dir)) return 0;
    if (!zipFindEntry(jar.data() + dir.offset, dir.size, entry.c_str(), &e)) return 0;
    size_t data = e.localHeader + zipDataOffset(jar.data() + e.localHeader, jar.size() - e.localHeader);
    uint8_t head[8];
    size_t got = e.method == 8 ? inflateHead(jar.data() + data, e.compressedSize, head, sizeof head) : 0;
    return classFileMajor(head, got);
}

}  // namespace

TEST(Inflate, GivesTheFirstBytesOfEveryKindOfBlock) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of the ledger\n";
    for (int level : {0, 1, 9})
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY}) {
            std::vector<uint8_t> packed = rawDeflate(text, level, strategy);
            for (size_t want : {(size_t)1, (size_t)8, (size_t)65536, text.size()}) {
                std::string out(want, '\0');
                ASSERT_EQ(want, inflateHead(packed.data(), packed.size(), (uint8_t*)&out[0], want))
                    << level << " " << strategy << " " << want;
                EXPECT_EQ(text.substr(0, want), out);
            }
            // A stream cut short gives nothing rather than a guess.
            std::string all(text.size(), '\0');
            EXPECT_LT(inflateHead(packed.data(), packed.size() / 2, (uint8_t*)&all[0], all.size()), text.size());
        }
}

TEST(ClassVersion, ReadFromTheJarsJavacAndJarMade) {
    EXPECT_EQ(52u, majorInJar(TARVO_REALVM_DIR "/app.jar", "Hello.class"));
    EXPECT_EQ(61u, majorInJar(TARVO_REALVM_DIR "/newer.jar", "Newer.class"));
    EXPECT_EQ(0u, majorInJar(TARVO_REALVM_DIR "/app.jar", "Hello"));
    EXPECT_EQ(52u, highestClassMajor(8));
    EXPECT_EQ(48u, highestClassMajor(4));
    EXPECT_EQ(0u, highestClassMajor(0));
}

TEST(ClassVersion, TheJavaAClassNeedsFromItsVersionOrTheVmsWords) {
    EXPECT_EQ(21u, javaForClassMajor(classMajorInWords("Newer has been compiled by a more recent version of the Java "
                                                      "Runtime (class file version 65.0), this version ...")));
    EXPECT_EQ(8u, javaForClassMajor(classMajorInWords("Newer : Unsupported major.minor version 52.0")));
    EXPECT_EQ(0u, javaForClassMajor(classMajorInWords("java.lang.NoClassDefFoundError: Newer")));
    EXPECT_EQ(0u, javaForClassMajor(48));
}
