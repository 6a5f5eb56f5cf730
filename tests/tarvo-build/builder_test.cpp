// The builder on this host: round trips, reproducible bytes, and every kind
// of bad input refused with a message that names the place, writing nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/bytes_text.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "launcher.h"
#include "project.h"
#include "resources.h"

namespace {

const std::string SOURCE = TARVO_SOURCE_DIR;
const std::string SCRATCH = TARVO_SCRATCH;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// Runs the builder; its standard error, and whether it succeeded.
std::string builder(const std::string& args, bool* ok = nullptr) {
    std::string command = std::string(TARVO_BUILDER) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    int status = pclose(pipe);
    if (ok) *ok = status == 0;
    return out;
}

// The string table of the resource script: the template's example.
std::map<unsigned, std::string> stringsOf(const std::string& exe) {
    std::string bytes = slurp(exe);
    PeImage image;
    std::string error;
    EXPECT_TRUE(readPeImage(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image, &error)) << error;
    std::map<unsigned, std::string> table;
    EXPECT_TRUE(readStringTable(image.resources, &table, &error)) << error;
    return table;
}

struct BuilderTest : ::testing::Test {
    std::string dir;
    void SetUp() override {
        dir = SCRATCH + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    }
    std::string at(const std::string& name) const { return dir + "/" + name; }
    // A project of the example with `extra` added, built to `out`; the message.
    std::string build(const std::string& extra, bool* ok, const std::string& head = "arch = \"x64\"\n") {
        std::string example = slurp(SOURCE + "/examples/orvan-desk.toml");
        example.replace(example.find("arch = \"x86\""), 12, head);
        spit(at("p.toml"), extra.empty() ? example : head + "main_class = \"M\"\n" + extra);
        return builder("'" + at("p.toml") + "' -o '" + at("out.exe") + "'", ok);
    }
};

}  // namespace

TEST_F(BuilderTest, TheExampleProjectRoundTripsToTheSameBytes) {
    bool ok = false;
    EXPECT_EQ("", builder(SOURCE + "/examples/orvan-desk.toml -o '" + at("a.exe") + "'", &ok));
    ASSERT_TRUE(ok);
    EXPECT_EQ(stringsOf(SOURCE + "/dist/tarvo.exe"), stringsOf(at("a.exe")));
    builder(SOURCE + "/examples/orvan-desk.toml -o '" + at("b.exe") + "'");
    EXPECT_EQ(slurp(at("a.exe")), slurp(at("b.exe"))) << "two builds give the same bytes";

    spit(at("printed.toml"), builder("--print '" + at("a.exe") + "'"));
    EXPECT_EQ("", builder("'" + at("printed.toml") + "' -o '" + at("c.exe") + "'", &ok));
    EXPECT_EQ(slurp(at("a.exe")), slurp(at("c.exe"))) << slurp(at("printed.toml"));

    // The ARM64 launcher from the same project, and back.
    EXPECT_EQ("", build("", &ok, "arch = \"arm64\""));
    EXPECT_NE(std::string::npos, slurp(at("out.exe")).substr(0, 0x400).find(std::string("PE\0\0\x64\xAA", 6)));
    spit(at("printed.toml"), builder("--print '" + at("out.exe") + "'"));
    EXPECT_NE(std::string::npos, slurp(at("printed.toml")).find("arch = 'arm64'\n")) << slurp(at("printed.toml"));
    EXPECT_EQ("", builder("'" + at("printed.toml") + "' -o '" + at("c.exe") + "'", &ok));
    EXPECT_EQ(slurp(at("out.exe")), slurp(at("c.exe")));
}

TEST_F(BuilderTest, TheResourceSectionIsRebuiltLastWithNothingBehindIt) {
    bool ok = false;
    build("", &ok);
    ASSERT_TRUE(ok);
    std::string bytes = slurp(at("out.exe"));
    PeImage image;
    std::string error;
    ASSERT_TRUE(readPeImage(std::vector<uint8_t>(bytes.begin(), bytes.end()), &image, &error)) << error;
    EXPECT_EQ((int)image.sections.size() - 1, image.resourceSection);
    // Read-only, so that no process is charged commit for the included files.
    uint32_t flags = le32((const uint8_t*)bytes.data() + image.sectionsAt + 40 * image.resourceSection + 36);
    EXPECT_EQ(0u, flags & 0x80000000u) << std::hex << flags;
    EXPECT_NE(0u, flags & 0x40000000u) << "still readable";
    const PeSection& last = image.sections.back();
    EXPECT_EQ(bytes.size(), (size_t)last.rawOffset + last.rawSize);
    std::vector<uint8_t> v(bytes.begin(), bytes.end());
    uint32_t stored = v[image.optionalAt + 64] | v[image.optionalAt + 65] << 8 | v[image.optionalAt + 66] << 16 |
                      (uint32_t)v[image.optionalAt + 67] << 24;
    EXPECT_EQ(peChecksum(v, image.optionalAt + 64), stored);
}

TEST_F(BuilderTest, BadInputIsRefusedWithItsPlaceAndNothingIsWritten) {
    spit(at("a.jar"), "jar");
    spit(at("bad.ico"), "not an icon");
    spit(at("bad.bmp"), "BMnot a bitmap");
    // Runtimes that a copy could never make whole.
    std::filesystem::create_directories(at("linked"));
    std::filesystem::create_directory_symlink(at("cased"), at("linked/lib"));
    std::filesystem::create_directories(at("cased"));
    spit(at("cased/Release"), "a");
    spit(at("cased/release"), "b");
    struct Case {
        std::string project, message;
    };
    for (const Case& c : std::vector<Case>{
             {"colour = 1\n", ":3: colour: unknown key; colour belongs in [splash."},
             {"main_clas = \"A\"\n", ":3: main_clas: unknown key; did you mean main_class?"},
             {"[splash]\nwidht = 3\n", ":4: splash.widht: unknown key; did you mean width?"},
             {"width = 3\n", ":3: width: unknown key; width belongs in [splash]"},
             {"[logs]\nmain_class = \"A\"\n", ":4: logs.main_class: unknown key; main_class belongs at the top"},
             {"[splash]\nwidth = \"wide\"\n", ":4: splash.width: expected a whole number"},
             {"[logs]\nshow_error_log = \"always\"\n", ":4: logs.show_error_log: expected true, false or \"on_failure\""},
             {"[splash.status]\ncolour = \"300,0,0\"\n",
              ":4: splash.status.colour: expected a colour \"r,g,b\", each from 0 to 255, got \"300,0,0\""},
             {"icon = \"missing.ico\"\n", ":3: icon: cannot read the file missing.ico"},
             {"icon = \"bad.ico\"\n", ":3: icon: not an icon file (.ico)"},
             {"[splash]\nbitmap = \"bad.bmp\"\n", ":4: splash.bitmap: not a bitmap file (.bmp)"},
             {"include = [{file = \"a.jar\", name = \"../x.jar\"}]\n",
              ":3: include: expected a file name that Windows holds as a file of its own"},
             {"include = [{file = \"a.jar\", name = \"AUX.jar\"}]\n", "got \"AUX.jar\""},
             {"include = [{file = \"a.jar\", name = \"a.jar.\"}]\n", "got \"a.jar.\""},
             {"include = [{file = \"a.jar\", name = \"a?.jar\"}]\n", "got \"a?.jar\""},
             {"[version]\ncopyright = \"" + std::string(8000, 'c') + "\"\ncompany = \"" + std::string(8000, 'c') +
                  "\"\ndescription = \"" + std::string(8000, 'c') + "\"\nproduct_name = \"" + std::string(8000, 'c') +
                  "\"\noriginal_filename = \"" + std::string(8000, 'c') + "\"\n",
              "version: the texts are too long for one version resource"},
             {"include = [\"a.jar\", \"sub/A.jar\"]\n", ":3: include: the name \"A.jar\" is given twice"},
             {"vm_options = \"" + std::string(8192, 'x') + "\"\n",
              ":3: vm_options: expected at most 8191 characters, got 8192"},
             {"[java]\nsearch = [\"Y\", \"QJAVA\"]\n", ":4: java.search: expected entries that begin with one of YEARS"},
             {"include = [\"a.jar\"]\n[strings]\n2002 = \"0\"\n", ":5: strings.2002: include sets this string"},
             {"runtime = \"linked\"\n", ":3: runtime: \"lib\" in linked is a link; give the files themselves"},
             {"runtime = \"cased\"\n", "in cased differs from another name only in case"},
             {"options_file = \"conf\\\\orvan\"\n", ":3: options_file: expected a file name without its .vmoptions"},
             {"[restart]\nexit_code = 0\n", ":4: restart.exit_code: expected a whole number from 1 to 65535, got 0"},
             {"[java]\ndownload_url = \"file:///c:/setup.exe\"\n",
              ":4: java.download_url: expected an https:// address, got \"file:///c:/setup.exe\""},
         }) {
        spit(at("missing.ico"), "");
        std::remove(at("missing.ico").c_str());
        bool ok = true;
        std::string message = build(c.project, &ok);
        EXPECT_FALSE(ok) << c.project;
        EXPECT_NE(std::string::npos, message.find(c.message)) << message;
        EXPECT_NE(std::string::npos, message.find(at("p.toml"))) << message;
        EXPECT_FALSE(exists(at("out.exe"))) << c.project;
    }
}

TEST_F(BuilderTest, ADamagedTemplateIsRefused) {
    std::string good = slurp(SOURCE + "/dist/tarvo64.exe");
    spit(at("cut.exe"), good.substr(0, good.size() / 2));
    spit(at("text.exe"), "MZ but nothing else");
    for (const char* name : {"cut.exe", "text.exe"}) {
        bool ok = true;
        spit(at("p.toml"), "arch = \"x64\"\nmain_class = \"M\"\n");
        std::string message = builder("'" + at("p.toml") + "' -o '" + at("out.exe") + "' --template '" + at(name) + "'", &ok);
        EXPECT_FALSE(ok);
        EXPECT_NE(std::string::npos, message.find("not a usable launcher template")) << message;
        EXPECT_FALSE(exists(at("out.exe")));
    }
}

TEST_F(BuilderTest, ANewProjectShowsTheErrorLogOnlyOnFailureAndPrintsItBack) {
    bool ok = false;
    spit(at("p.toml"), "arch = \"x64\"\nmain_class = \"M\"\n[java]\ndownload_url = \"https://example.org/java\"\n");
    EXPECT_EQ("", builder("'" + at("p.toml") + "' -o '" + at("out.exe") + "'", &ok));
    ASSERT_TRUE(ok);
    std::string printed = builder("--print '" + at("out.exe") + "'");
    EXPECT_NE(std::string::npos, printed.find("download_url = 'https://example.org/java'")) << printed;
    EXPECT_NE(std::string::npos, printed.find("show_error_log = 'on_failure'")) << printed;
    EXPECT_NE(std::string::npos, printed.find("search_report = true")) << printed;
    spit(at("printed.toml"), printed);
    EXPECT_EQ("", builder("'" + at("printed.toml") + "' -o '" + at("again.exe") + "'", &ok));
    EXPECT_EQ(slurp(at("out.exe")), slurp(at("again.exe"))) << printed;
}

namespace {

// The first bytes of an image for a machine: enough for its header to tell.
std::string imageFor(uint16_t machine) {
    std::string bytes(0x100, '\0');
    bytes[0] = 'M', bytes[1] = 'Z', bytes[0x3c] = 0x80;
    bytes.replace(0x80, 4, std::string("PE\0\0", 4));
    bytes[0x84] = (char)(machine & 0xff), bytes[0x85] = (char)(machine >> 8);
    return bytes;
}

}  // namespace

TEST_F(BuilderTest, ARuntimeIsStoredWholeWithItsHashAndSearchedFirstOrRefusedByName) {
    std::system(("mkdir -p '" + at("jre/bin/server") + "' '" + at("jre/lib/security") + "'").c_str());
    spit(at("jre/bin/server/jvm.dll"), imageFor(0x8664));
    spit(at("jre/lib/security/cacerts"), "certificates");
    spit(at("jre/lib/modules"), std::string(1100000, 'm'));
    bool ok = false;
    std::string message = build("runtime = \"jre\"\n", &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, message.find(":3: runtime: expected the release file of a Java home in jre")) << message;
    spit(at("jre/release"), "JAVA_VERSION=\"21.0.2\"\n");
    message = build("runtime = \"jre\"\n", &ok, "arch = \"x86\"\n");
    EXPECT_NE(std::string::npos, message.find(":3: runtime: its jvm.dll is for x64 Windows, the launcher for 32-bit"))
        << message;
    // Without a name its copies would live in a folder named after the file.
    EXPECT_NE(std::string::npos, build("runtime = \"jre\"\n", &ok).find("warning: ")) << "neither name nor data_folder";
    ASSERT_TRUE(ok);
    std::map<unsigned, std::string> strings = stringsOf(at("out.exe"));
    EXPECT_EQ(64u, strings[2004].size());
    EXPECT_EQ("I;Y;EJAVA_HOME;EJDK_HOME;", strings[128]);
    std::string image = slurp(at("out.exe"));
    EXPECT_NE(std::string::npos, image.find("256 bin\\server\\jvm.dll\n")) << "the index lists each file with its size";
    EXPECT_NE(std::string::npos, image.find(std::string(1100000, 'm'))) << "stored as it is";
    // Beyond a megabyte, the section starts on a page of the file.
    PeImage pe;
    std::string error;
    ASSERT_TRUE(readPeImage(std::vector<uint8_t>(image.begin(), image.end()), &pe, &error)) << error;
    EXPECT_EQ(0u, pe.sections[pe.resourceSection].rawOffset % 4096);
    // One byte more, another hash: a new folder on the users' machines.
    spit(at("jre/lib/security/cacerts"), "certificates!");
    EXPECT_EQ("", build("name = \"Orvan\"\nruntime = \"jre\"\n[java]\nsearch = [\"EJAVA_HOME\", \"I\"]\n", &ok));
    EXPECT_NE(strings[2004], stringsOf(at("out.exe"))[2004]);
    EXPECT_EQ("EJAVA_HOME;I;", stringsOf(at("out.exe"))[128]);
    // Printed back, the runtime is named, and its hash left to the builder.
    std::string printed = builder("--print '" + at("out.exe") + "'");
    EXPECT_NE(std::string::npos, printed.find("runtime = 'runtime'  # was in the launcher: 4 files, 1,100,291 bytes")) << printed;
    EXPECT_EQ(std::string::npos, printed.find("2004")) << printed;
}

namespace {

// A 24-bit bitmap of that size, every pixel black.
std::string bitmap(int width, int height) {
    int row = (width * 3 + 3) / 4 * 4;
    std::string b(54 + row * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = (char)(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, (uint32_t)b.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)height);
    b[26] = 1, b[28] = 24;
    put32(34, (uint32_t)(row * height));
    return b;
}

}  // namespace

// A launcher that would not do what the project seems to say: refused where
// it cannot run at all, else built with a warning, each with its line.
TEST_F(BuilderTest, WhatTheLauncherWouldMisreadIsRefusedOrWarned) {
    spit(at("splash.bmp"), bitmap(40, 20));
    spit(at("splash150.bmp"), bitmap(40, 20));
    struct Case {
        std::string project, message;
        bool builds;
    };
    for (const Case& c : std::vector<Case>{
             {"main_class = \"com/example/Main.class\"\n",
              ":2: main_class: expected a class name such as com.example.Main, got \"com/example/Main.class\"; did you "
              "mean com.example.Main?",
              false},
             {"main_class = \"M\"\n[java]\nmin_version = \"17\"\nmax_version = \"11\"\n",
              ":5: java.max_version: expected a version from java.min_version (17) on, got 11", false},
             {"main_class = \"M\"\n[splash]\nshow = true\n",
              "warning: " + at("p.toml") + ":4: splash.show: no bitmap and no size: no splash will show", true},
             {"main_class = \"M\"\n[splash]\nbitmap = \"splash.bmp\"\nwidth = 50\nheight = 20\n",
              ":4: splash.bitmap: the bitmap is 40 by 20, splash.width and splash.height say 50 by 20", true},
             {"main_class = \"M\"\n[splash]\nbitmap = \"splash.bmp\"\nbitmap_150 = \"splash150.bmp\"\n",
              ":5: splash.bitmap_150: the bitmap is 40 by 20, 150 % of 40 by 20 would be 60 by 30", true},
             {"main_class = \"M\"\nclass_path = [\"A1lib/app.jar\", \"A0optional.jar\"]\n",
              ":3: class_path: lib/app.jar is not beside the project, where the launcher will look for it", true},
             {"main_class = \"M\"\nsingle_instance = true\n",
              ":3: single_instance: tarvo-app.jar is not on the class path: a second start will only bring the window "
              "forward",
              true},
         }) {
        spit(at("p.toml"), "arch = \"x64\"\n" + c.project);
        std::remove(at("out.exe").c_str());
        bool ok = false;
        std::string message = builder("'" + at("p.toml") + "' -o '" + at("out.exe") + "'", &ok);
        EXPECT_EQ(c.builds, ok) << c.project << message;
        EXPECT_NE(std::string::npos, message.find(c.message)) << message;
        EXPECT_EQ(c.builds, exists(at("out.exe"))) << c.project;
        EXPECT_EQ(std::string::npos, message.find("optional.jar")) << "an optional entry is no fault";
    }
}

namespace {

// An .ico file of images whose bytes the builder copies as they are.
std::string icoFile(const std::vector<std::string>& images) {
    std::string b = std::string("\0\0\1\0", 4) + (char)images.size() + '\0';
    size_t offset = 6 + 16 * images.size();
    for (const std::string& image : images) {
        std::string entry(16, '\0');
        entry[0] = entry[1] = 16, entry[4] = 1, entry[6] = 32;
        for (int i = 0; i < 4; ++i) entry[8 + i] = (char)(image.size() >> (8 * i)), entry[12 + i] = (char)(offset >> (8 * i));
        b += entry;
        offset += image.size();
    }
    for (const std::string& image : images) b += image;
    return b;
}

}  // namespace

TEST_F(BuilderTest, APrintedProjectBuildsTheSameLauncherFromTheFilesItExtracts) {
    spit(at("app.ico"), icoFile({"sixteen pixels", "thirty-two pixels"}));
    spit(at("small.ico"), icoFile({"one"}));
    spit(at("splash.bmp"), bitmap(4, 2));
    spit(at("big.bmp"), bitmap(8, 4));
    std::system(("mkdir -p '" + at("jre/bin/server") + "' '" + at("jre/lib") + "'").c_str());
    spit(at("jre/bin/server/jvm.dll"), imageFor(0x8664));
    spit(at("jre/release"), "JAVA_VERSION=\"21.0.2\"\n");
    spit(at("jre/lib/modules"), "modules");
    spit(at("app.jar"), "jar bytes");
    spit(at("notes.txt"), "notes");
    bool ok = false;
    build("name = \"Orvan\"\nicon = \"app.ico\"\ninclude = [\"app.jar\", {file = \"notes.txt\", name = \"README.txt\"}]\n"
          "runtime = \"jre\"\n[splash]\nshow = true\nwidth = 4\nheight = 2\nbitmap = \"splash.bmp\"\n"
          "bitmap_200 = \"big.bmp\"\nicon = \"small.ico\"\n[version]\nfile_version = \"1.2.3\"\ncompany = \"Brannoc\"\n",
          &ok);
    ASSERT_TRUE(ok);
    std::string printed = builder("--print '" + at("out.exe") + "' --extract '" + at("again") + "'", &ok);
    ASSERT_TRUE(ok) << printed;
    EXPECT_NE(std::string::npos, printed.find("\nicon = 'icon.ico'  # was in the launcher: 69 bytes\n")) << printed;
    EXPECT_NE(std::string::npos, printed.find("runtime = 'runtime'  # was in the launcher: 3 files, ")) << printed;
    EXPECT_EQ(std::string::npos, printed.find("2003")) << "include names the files";
    EXPECT_EQ("Orvan", stringsOf(at("out.exe"))[160]) << "the console twin reads the files by the name too";
    EXPECT_EQ(printed, slurp(at("again/project.toml")));
    EXPECT_EQ("", builder("'" + at("again/project.toml") + "' -o '" + at("again.exe") + "'", &ok));
    EXPECT_TRUE(slurp(at("out.exe")) == slurp(at("again.exe"))) << printed;
    // Never over another launcher's files, which the next build would take.
    EXPECT_NE(std::string::npos, builder("--print '" + at("out.exe") + "' --extract '" + at("again") + "'", &ok)
                                     .find("expected a new or empty folder"));
    EXPECT_FALSE(ok);
}

TEST(Recovery, WhatNoProjectMadeIsNamedAndNeverTaken) {
    ResourceTree tree;
    auto put = [&](const ResName& type, const ResName& name, const std::string& bytes) {
        tree[type][name][0] = std::vector<uint8_t>(bytes.begin(), bytes.end());
    };
    // Names that lead out of the folder.
    put(ResName::named("RUNTIME"), ResName::named("ID_RT_0"), "x");
    put(ResName::named("RUNTIME"), ResName::named("ID_RT_INDEX"), "1 ..\\x\n");
    put(ResName::named("APPFILES"), ResName::named("ID_FILE_0"), "y");
    // An icon group that names its one image twice.
    put(ResName::number(RT_GROUP_ICON_ID), ResName::named("APPICON"),
        std::string("\0\0\1\0\2\0", 6) + std::string(8, '\0') + std::string("\1\0\0\0\1\0", 6) + std::string(8, '\0') +
            std::string("\1\0\0\0\1\0", 6));
    put(ResName::number(RT_ICON_ID), ResName::number(1), "i");
    // A name that would end the printed comment and start a key.
    put(ResName::number(RT_BITMAP_ID), ResName::named("X\nINCLUDE = ['/etc/passwd']"), "bitmap");
    Recovered r;
    std::map<unsigned, std::string> strings = {{2002, "1"}, {2003, "C:\\evil.dll"}};
    recoverFiles(tree, strings, &r);
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(4u, r.unknown.size());
    std::string printed = printProject("x64", false, strings, {}, r);
    EXPECT_EQ(std::string::npos, printed.find("\nINCLUDE")) << printed;
    EXPECT_NE(std::string::npos, printed.find("# It holds the bitmap \"X?INCLUDE")) << printed;
}
