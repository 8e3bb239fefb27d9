#include "settings/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::string kRoot = kSettingsRootKey;

using test::readText;
using test::writeText;

TEST(SettingsStore, IntegerAndBooleanReadingRules) {
    // Leading zeros of a hexadecimal number do not count.
    for (auto [text, value] : {std::pair{"3", 3},
                               {"-12", -12},
                               {"+300", 300},
                               {"0x2", 2},
                               {"0X1f", 31},
                               {"0xFFFFFFFF", -1},
                               {"0x00000000ff", 255},
                               {"2147483647", INT32_MAX},
                               {"-2147483648", INT32_MIN}})
        EXPECT_EQ(parseSettingsInteger(text, 7), value) << text;
    for (const char* junk : {"", "junk", "0x", "0X", "0xG1", "12a", " 5", "5 ", "-", "2147483648",
                             "-2147483649", "0x100000000", "1e3", "99999999999999999999999"})
        EXPECT_EQ(parseSettingsInteger(junk, 7), 7) << '"' << junk << '"';

    // Booleans are written as 1 and 0 and read as any number other than 0; no number: the default.
    SettingsStore store;
    store.writeBool(kRoot, "On", true);
    store.writeBool(kRoot, "Off", false);
    store.writeInteger(kRoot, "Neg", -12);
    store.writeString(kRoot, "Two", "2");
    store.writeString(kRoot, "Junk", "junk");
    EXPECT_EQ((std::vector{store.readString(kRoot, "On", ""), store.readString(kRoot, "Off", ""),
                           store.readString(kRoot, "Neg", "")}),
              (std::vector<std::string>{"1", "0", "-12"}));
    const auto bools = [&](bool def) {
        std::vector<bool> out;
        for (const char* name : {"On", "Off", "Two", "Junk", "Missing"})
            out.push_back(store.readBool(kRoot, name, def));
        return out;
    };
    EXPECT_EQ(bools(false), (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(bools(true), (std::vector<bool>{true, false, true, true, true}));
    EXPECT_EQ(store.readInteger(kRoot, "Missing", 296), 296);
}

TEST(SettingsStore, ArbitraryNamesAndValuesRoundTripExactlyInTheirWrittenOrder) {
    const std::vector<std::string> texts = {
        "",  // the unnamed value
        "/home/anna/Pictures/",
        "C:\\Windows\\System32\\",
        "a=b=c",
        "say \"cheese\" and 'quote'",
        "Фотографии/Ünïcødé/日本語",
        std::string("nul\0inside", 10),
        "\xff\xfe legacy \xe9ncoding",  // not UTF-8: a folder named in Latin-1
        "\xEF\xBF\xBF"
        "41",  // looks like the raw marker itself
        "tab\tnewline\nend\\",
    };
    test::TempDir dir;
    {
        SettingsStore store(dir.path().string());
        for (const char* name : {"ClientWidth", "Left", "Top"}) store.writeInteger(kRoot, name, 1);
        store.writeInteger(kRoot, "Left", 5);  // rewriting keeps the place
        for (std::size_t i = 0; i < texts.size(); ++i)
            store.writeString(kRoot + "\\Paths", texts[i], texts[texts.size() - 1 - i]);
        store.save();
    }
    SettingsStore again(dir.path().string());
    ASSERT_TRUE(again.problem().empty()) << again.problem();
    EXPECT_THAT(again.valueNames(kRoot), ElementsAre("ClientWidth", "Left", "Top"));
    EXPECT_EQ(again.readInteger(kRoot, "Left", 0), 5);
    EXPECT_TRUE(again.valueNames(kRoot + "\\Masks").empty());
    EXPECT_EQ(again.valueNames(kRoot + "\\Paths"), texts);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_TRUE(again.valueExists(kRoot + "\\Paths", texts[i]));
        EXPECT_EQ(again.readValue(kRoot + "\\Paths", texts[i]), texts[texts.size() - 1 - i]);
    }
}

TEST(SettingsStore, KeysAreCreatedWithParentsAndDeletedWithEverythingBelow) {
    SettingsStore store;
    EXPECT_FALSE(store.keyExists(kRoot));
    store.writeString(kRoot + "\\ToolBar\\TlbMain", "DockedTo", "Dock1");
    EXPECT_TRUE(store.keyExists(kRoot));
    EXPECT_TRUE(store.keyExists(kRoot + "\\ToolBar"));
    EXPECT_TRUE(store.keyExists("\\" + kRoot + "\\\\ToolBar\\"));  // stray separators ignored
    store.writeString(kRoot + "\\ToolBar\\TlbView", "DockedTo", "Dock3");
    store.writeString(kRoot + "\\Paths", "/a/", "0");
    store.writeString(kRoot + "\\Paths\\Sub", "x", "1");
    store.writeString(kRoot + "\\PathsExtra", "keep", "1");
    EXPECT_THAT(store.subKeyNames(kRoot), ElementsAre("ToolBar", "Paths", "PathsExtra"));
    EXPECT_THAT(store.subKeyNames(kRoot + "\\ToolBar"), ElementsAre("TlbMain", "TlbView"));
    // Key paths ignore letter case, value names do not (they hold folder paths).
    store.writeString(kRoot + "\\TOOLBAR\\tlbview", "Visible", "1");
    EXPECT_THAT(store.subKeyNames(kRoot + "\\toolbar"), ElementsAre("TlbMain", "TlbView"));
    EXPECT_THAT(store.valueNames(kRoot + "\\ToolBar\\TlbView"), ElementsAre("DockedTo", "Visible"));
    EXPECT_FALSE(store.valueExists(kRoot + "\\ToolBar\\TlbView", "visible"));

    store.deleteKey(kRoot + "\\paths");
    EXPECT_FALSE(store.keyExists(kRoot + "\\Paths"));
    EXPECT_FALSE(store.keyExists(kRoot + "\\Paths\\Sub"));
    EXPECT_TRUE(store.keyExists(kRoot + "\\PathsExtra"));  // a name prefix is not a parent
    EXPECT_EQ(store.readValue(kRoot + "\\PathsExtra", "keep"), "1");
    EXPECT_EQ(store.readValue(kRoot + "\\Paths", "/a/"), std::nullopt);
}

TEST(SettingsStore, ValueThatIsNotTextFailsWithInvalidDataType) {
    test::TempDir dir;
    writeText(
        dir.path() / "settings.json",
        R"({"keys": {"Software\\Tamber Works\\Vexilo\\3.0.2": {"ViewStyle": 3, "Left": "10", "Flag": null}}})");
    SettingsStore store(dir.path().string());
    EXPECT_TRUE(store.problem().empty());
    EXPECT_EQ(store.readInteger(kRoot, "Left", 0), 10);
    EXPECT_THAT([&] { (void)store.readInteger(kRoot, "ViewStyle", 0); },
                ThrowsMessage<SettingsError>(testing::StrEq("Invalid data type for 'ViewStyle'")));
    EXPECT_THAT([&] { (void)store.readString(kRoot, "Flag", ""); },
                ThrowsMessage<SettingsError>(testing::StrEq("Invalid data type for 'Flag'")));
    // Writing text over it mends the value.
    store.writeInteger(kRoot, "ViewStyle", 2);
    EXPECT_EQ(store.readInteger(kRoot, "ViewStyle", 0), 2);
}

class DamagedSettingsFile : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedSettingsFile, IsSetAsideAndDefaultsApply) {
    test::TempDir dir;
    const fs::path file = dir.path() / "settings.json";
    writeText(file, GetParam());
    {
        SettingsStore store(dir.path().string());
        EXPECT_THAT(store.problem(), HasSubstr("damaged"));
        ASSERT_FALSE(store.damagedFileBackup().empty());
        EXPECT_EQ(readText(store.damagedFileBackup()), GetParam());  // nothing of it is lost
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(store.valueNames(kRoot).empty());
        EXPECT_EQ(store.readInteger(kRoot, "ThumbWidth", 296), 296);
        store.writeInteger(kRoot, "ThumbWidth", 300);
        store.save();
    }
    SettingsStore again(dir.path().string());  // said once: the next start is clean
    EXPECT_TRUE(again.problem().empty());
    EXPECT_TRUE(again.damagedFileBackup().empty());
    EXPECT_EQ(again.readInteger(kRoot, "ThumbWidth", 0), 300);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, DamagedSettingsFile,
    ::testing::Values(std::string(), std::string("{"), std::string("[1, 2]"), std::string("\"text\""),
                      std::string(R"({"keys": 5})"), std::string(R"({"keys": {"a": 1}})"),
                      std::string("{\"keys\": {\"a\": {\"b\": \"\xff\"}}}"),  // not UTF-8
                      std::string(5000, '[') + std::string(5000, ']'),
                      std::string("{\"keys\": {}}\0garbage", 20)));

TEST(SettingsStore, SavesOnlyAChangedStoreAndADeletedKeyIsAChange) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/sub";
    SettingsStore store(folder);
    (void)store.readInteger(kRoot, "Left", 0);
    (void)store.valueNames(kRoot + "\\Paths");
    store.save();
    EXPECT_FALSE(fs::exists(dir.path() / "sub"));
    store.writeString(kRoot + "\\Paths", "/a/", "0");
    store.save();  // creates the missing folders
    EXPECT_TRUE(SettingsStore(folder).keyExists(kRoot + "\\Paths"));
    store.deleteKey(kRoot + "\\Paths");  // every search folder removed: nothing else changed
    store.save();
    EXPECT_FALSE(SettingsStore(folder).keyExists(kRoot + "\\Paths"));
}

TEST(SettingsStore, FailedSaveReportsTheValueAndKeepsTheOldFile) {
    test::TempDir dir;
    writeText(dir.path() / "blocker", "a file where a folder should be");
    SettingsStore store((dir.path() / "blocker" / "vexilo").string());
    store.writeInteger(kRoot, "ClientWidth", 665);
    store.writeInteger(kRoot, "ClientHeight", 429);
    EXPECT_THAT([&] { store.save(); },
                ThrowsMessage<SettingsError>(HasSubstr("Failed to set data for 'ClientWidth'")));
    EXPECT_THROW(store.save(), SettingsError) << "the changes are kept for the next save";
}

TEST(SettingsStore, InterruptedWriteLeavesTheStoredSettingsIntact) {
    test::TempDir dir;
    {
        SettingsStore store(dir.path().string());
        store.writeString(kRoot, "LastDir", "/old/");
        store.save();
    }
    const std::string before = readText(dir.path() / "settings.json");

    // A child whose writes stop after 4 KiB, as a full disk would stop them.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        SettingsStore store(dir.path().string());
        for (int i = 0; i < 2000; ++i)
            store.writeString(kRoot + "\\Paths", "/folder/" + std::to_string(i), std::to_string(i));
        try {
            store.save();
        } catch (const SettingsError& e) {
            _exit(std::string(e.what()).find("Failed to set data for '/folder/0'") == 0 ? 42 : 1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_EQ(readText(dir.path() / "settings.json"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "no temporary file left";
}

TEST(SettingsStore, KilledWhileSavingLeavesOneWholeVersion) {
    test::TempDir dir;
    const auto fill = [](SettingsStore& store, const std::string& tag) {
        for (int i = 0; i < 3000; ++i) store.writeString(kRoot + "\\Paths", "/f/" + std::to_string(i), tag);
    };
    {
        SettingsStore store(dir.path().string());
        fill(store, "A");
        store.save();
    }
    for (int round = 0; round < 4; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore store(dir.path().string());
            for (int i = 0;; ++i) {
                fill(store, i % 2 ? "A" : "B");
                store.save();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + 17 * round));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        SettingsStore after(dir.path().string());
        ASSERT_TRUE(after.problem().empty()) << after.problem();
        const std::string tag = after.readString(kRoot + "\\Paths", "/f/0", "");
        ASSERT_TRUE(tag == "A" || tag == "B");
        EXPECT_EQ(after.readString(kRoot + "\\Paths", "/f/2999", ""), tag);  // never half of each
    }
}

TEST(SettingsStore, SavesThroughALinkAndRemovesItsOwnLeftovers) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "dotfiles");
    fs::create_directory(dir.path() / "config");
    fs::create_symlink("../dotfiles/vexilo.json", dir.path() / "config" / "settings.json");
    test::writeFile(dir.path() / "dotfiles" / "settings.json.vxtmp4", std::vector<std::uint8_t>{1});
    {
        SettingsStore store((dir.path() / "config").string());
        store.writeInteger(kRoot, "Left", 7);
        store.save();
    }
    EXPECT_TRUE(fs::is_symlink(dir.path() / "config" / "settings.json"));
    EXPECT_THAT(readText(dir.path() / "dotfiles" / "vexilo.json"), HasSubstr("\"Left\""));
    EXPECT_FALSE(fs::exists(dir.path() / "dotfiles" / "settings.json.vxtmp4"));
    EXPECT_EQ(SettingsStore((dir.path() / "config").string()).readInteger(kRoot, "Left", 0), 7);
}

TEST(SettingsStore, FolderIsVexiloInTheConfigHome) {
    // How the config home is found (and a relative value ignored) is checked in tests/base.
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(SettingsStore::defaultFolder(), "/tmp/cfg/vexilo/");
}

}  // namespace
}  // namespace vexilo
