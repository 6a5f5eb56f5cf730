// Registry text into fixed buffers: with or without a stored terminator, a
// value uses the whole capacity but never more.
#include <gtest/gtest.h>

#include "files/registry.h"
#include "testkit.h"

namespace {

const char KEY[] = "SOFTWARE\\brannoc\\tarvo-test-registry";

struct RegistryText : ::testing::Test {
    HKEY key = nullptr;
    void SetUp() override {
        deleteRegistryTree(KEY);
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    }
    void TearDown() override {
        RegCloseKey(key);
        deleteRegistryTree(KEY);
    }
    void set(const char* name, const std::string& bytes) {
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)bytes.data(), (DWORD)bytes.size());
    }
};

}  // namespace

TEST_F(RegistryText, FillsTheCapacityWithOrWithoutAStoredTerminator) {
    char buf[8];
    set("bare", "1234567");
    set("terminated", std::string("1234567", 8));
    for (const char* name : {"bare", "terminated"}) {
        ASSERT_TRUE(queryRegistryText(key, name, buf, sizeof buf)) << name;
        EXPECT_STREQ("1234567", buf);
    }
    set("long", "12345678");
    EXPECT_FALSE(queryRegistryText(key, "long", buf, sizeof buf));
    EXPECT_STREQ("", buf);
}

TEST_F(RegistryText, TellsAMissingValueFromAnUnreadableOne) {
    char buf[8];
    bool missing = false;
    EXPECT_FALSE(queryRegistryText(key, "absent", buf, sizeof buf, &missing));
    EXPECT_TRUE(missing);
    set("long", std::string(100, 'x'));
    EXPECT_FALSE(queryRegistryText(key, "long", buf, sizeof buf, &missing));
    EXPECT_FALSE(missing);
    set("empty", "");
    EXPECT_TRUE(queryRegistryText(key, "empty", buf, sizeof buf, &missing));
    EXPECT_STREQ("", buf);
}
