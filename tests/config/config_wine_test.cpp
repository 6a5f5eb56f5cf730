// The template's string table, read back the way the launcher reads it.
#include <gtest/gtest.h>

#include <map>

#include "files/text.h"
#include "config/config.h"
#include "config/state.h"
#include "launcher.h"
#include "testkit.h"

namespace {

// What the one table of the configuration says the templates carry.
std::map<unsigned, std::string> exampleConfiguration() {
    std::map<unsigned, std::string> table;
    for (size_t i = 0; i < CONFIG_ROW_COUNT; ++i)
        if (*CONFIG_ROWS[i].example) table[CONFIG_ROWS[i].id] = CONFIG_ROWS[i].example;
    return table;
}

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

std::string read(ConfigId id, size_t cap = TEXT_CAP) {
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
        EXPECT_EQ(exampleConfiguration(), table) << exe;
    }
}

TEST(ConfigReaders, ReadTheTemplateAsTheLauncherDoes) {
    Loaded exe(templatePath());
    ASSERT_TRUE(exe.module);
    for (auto& entry : exampleConfiguration()) EXPECT_EQ(entry.second, read((ConfigId)entry.first)) << entry.first;
    EXPECT_EQ("", read(CFG_MAX_VERSION));
    EXPECT_EQ("", read(CFG_STATUS_TEXT));
    EXPECT_EQ(0, configInt(CFG_MAX_VERSION));
    EXPECT_EQ(500, configInt(CFG_STATUS_WEIGHT));
    EXPECT_EQ(0u, configColour(CFG_STATUS_COLOUR));
    EXPECT_EQ("t", read(CFG_FLAVOUR, 2));
}

TEST(ConfigReaders, CutToCapacityAndReadNumbersLikeAtoi) {
    ScratchDir dir("cfg");
    std::string exe = dir / "launch.exe";
    makeLauncher(exe, {"112=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "2001=selvadrin", "109= 20", "110=20px",
                       "113=yes", "114=0, 128, 255", "120=300,0,0", "119=", "141"});
    Loaded loaded(exe);
    ASSERT_TRUE(loaded.module);
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", read(CFG_STATUS_FONT, 32));
    EXPECT_EQ("s", read(CFG_FLAVOUR, 2));
    EXPECT_EQ(20, configInt(CFG_STATUS_X));
    EXPECT_EQ(20, configInt(CFG_STATUS_Y));
    EXPECT_EQ(0, configInt(CFG_STATUS_SIZE));
    EXPECT_EQ(0xFF8000u, configColour(CFG_STATUS_COLOUR));
    EXPECT_EQ(44u, configColour(CFG_LINE2_COLOUR));
    EXPECT_EQ("", read(CFG_LINE2_SIZE));
    EXPECT_EQ("", read(CFG_SPLASH_WIDTH));
}
