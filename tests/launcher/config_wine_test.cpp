// The template's string table, read back the way the launcher reads it.
#include <gtest/gtest.h>

#include <map>

#include "files/text.h"
#include "launcher/config.h"
#include "launcher/state.h"
#include "testkit.h"

namespace {

const std::map<unsigned, std::string> exampleConfiguration = {
    {101, "Orvan Desk"}, {102, "1"}, {103, "error.log"}, {104, "0"}, {105, "output.log"}, {106, "1"},
    {107, "1"}, {108, "0"}, {109, "20"}, {110, "20"}, {112, "Arial"}, {113, "8"}, {114, "0,0,0"},
    {115, "20"}, {116, "40"}, {118, "Arial"}, {119, "8"}, {120, "0,0,0"}, {121, "A0.\\.\\orvanapi.jar;"},
    {122, "Vuvudozid"}, {124, "-cp \".;orvanapi.jar\""}, {125, "1"}, {126, "1.1"},
    {128, "Y;EJAVA_HOME;EJDK_HOME;"}, {141, "0"}, {142, "0"}, {143, "500"}, {144, "500"}, {145, "1"},
    {147, "1"}, {148, "0"}, {1001, "Error"},
    {1005, "No JVM could be found on your system.\nPlease define TARVO_JAVA_HOME\nto point to an installed JDK or JRE."},
    {1006, "The JVM found in your path is damaged.\nPlease reinstall or define TARVO_JAVA_HOME\nto point to an "
           "installed JDK or JRE."},
    {1007, "The %ENV_VAR_NAME% envionment variable does not\npoint to a working JDK or JRE."},
    {1008, "The JVM found at %DEFINED_PATH% is damaged.\nPlease reinstall or define TARVO_JAVA_HOME\nto point to "
           "an installed JDK or JRE."},
    {1009, "The JVM could not be started."},
    {1010, "File or directory %FILE_NAME% not found or empty\n"},
    {1011, "Wrong Parameter Usage"},
    {1012, "The environment variable %ENV_VAR_NAME% has to be defined"},
    {1013, "An internal error occured (error code: %ERROR_CODE%)"},
    {1014, "Main class not found."},
    {1015, "Main method not found."},
    {1016, "The command line is too long to start the application:\n%LENGTH% characters, where at most %LIMIT% fit."},
    {1017, "Not enough memory to start the application."},
    {1018, "Java %JAVA_VERSION% (%JAVA_BITS%) was found in\n%JAVA_HOME%\nbut this program needs a %NEEDED_BITS% Java."},
    {1019, "The path %FILE_NAME%\ncannot be passed to Java on this system: it holds characters that the system's "
           "code page cannot express."},
    {2001, "t"}, {2002, "0"}, {2003, "@INCLUDED_FILENAMES@"},
};

struct Loaded {
    explicit Loaded(const std::string& exe) {
        module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        appInstance = (HINSTANCE)module;
    }
    ~Loaded() {
        appInstance = nullptr;
        if (module) FreeLibrary(module);
    }
    HMODULE module;
};

std::string read(unsigned id, size_t cap = TEXT_CAP) {
    std::vector<char> buf(cap);
    configString(id, buf.data(), cap);
    return buf.data();
}

}  // namespace

TEST(Template, BothBuildsHoldExactlyTheExampleConfiguration) {
    for (const std::string& exe : {productPath(), templatePath()}) {
        std::map<unsigned, std::string> table;
        std::string error;
        ASSERT_TRUE(readConfiguration(exe, &table, &error)) << error;
        EXPECT_EQ(exampleConfiguration, table) << exe;
    }
}

TEST(ConfigReaders, ReadTheTemplateAsTheLauncherDoes) {
    Loaded exe(templatePath());
    ASSERT_TRUE(exe.module);
    for (auto& entry : exampleConfiguration) EXPECT_EQ(entry.second, read(entry.first)) << entry.first;
    EXPECT_EQ("", read(127));
    EXPECT_EQ("", read(111));
    EXPECT_EQ(0, configInt(127));
    EXPECT_EQ(500, configInt(143));
    EXPECT_EQ(0u, configColour(114));
    EXPECT_EQ("t", read(2001, 2));
}

TEST(ConfigReaders, CutToCapacityAndReadNumbersLikeAtoi) {
    ScratchDir dir("cfg");
    std::string exe = dir / "launch.exe";
    makeLauncher(exe, {"112=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "2001=selvadrin", "109= 20", "110=20px",
                       "113=yes", "114=0, 128, 255", "120=300,0,0", "119=", "141"});
    Loaded loaded(exe);
    ASSERT_TRUE(loaded.module);
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", read(112, 32));
    EXPECT_EQ("s", read(2001, 2));
    EXPECT_EQ(20, configInt(109));
    EXPECT_EQ(20, configInt(110));
    EXPECT_EQ(0, configInt(113));
    EXPECT_EQ(0xFF8000u, configColour(114));
    EXPECT_EQ(44u, configColour(120));
    EXPECT_EQ("", read(119));
    EXPECT_EQ("", read(141));
}
