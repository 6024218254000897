#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "environment/Settings.h"
#include "support/files.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using Values = std::map<std::string, std::string>;

Values values(const SettingsTable& entries)
{
    Values result;
    for (const auto& [name, setting] : entries)
        if (setting.state != Setting::Removed)
            result[name] = setting.value;
    return result;
}

std::string settingsFile(const Values& entries)
{
    std::string text = "<!DOCTYPE Lathmark_Settings_File>\n<settings>\n";
    for (const auto& [name, value] : entries)
        text += "  <setting name=\"" + name + "\">" + value + "</setting>\n";
    return text + "</settings>\n";
}

// Another process reads the file, changes it and saves it as it ends.
void otherProcess(const std::string& file, const std::function<void(Settings&)>& change)
{
    Settings other;
    other.setPath(file);
    change(other);
}

TEST(Settings, ReadsSettingElementsAnywhereAndWritesTheExactFormat)
{
    TempDir dir;
    writeFile(dir.path() + "/in.xml", R"(<?xml version="1.0"?>
<root>
  <setting name="B">x &amp; y</setting>
  <group><setting name="A">first</setting></group>
  <setting name="A">line 1
line 2</setting>
  <setting>no name</setting>
  <setting name="">empty name</setting>
  <setting name="Empty"/>
  <setting name="Outer"><setting name="Inner">&lt;i&gt;</setting> tail</setting>
</root>)");
    SettingsTable entries{{"Stale", Setting("s", Setting::Changed)}};
    ASSERT_TRUE(Settings::load(dir.path() + "/in.xml", entries));
    EXPECT_EQ(values(entries), (Values{{"A", "line 1\nline 2"},
                                       {"B", "x & y"},
                                       {"Empty", ""},
                                       {"Inner", "<i>"},
                                       {"Outer", "<setting name=\"Inner\"><i></setting>"}}));

    const std::string out = dir.path() + "/new/dir/settings.xml";
    ASSERT_TRUE(Settings::save(out, entries));
    EXPECT_EQ(readFile(out),
              settingsFile({{"A", "line 1\nline 2"},
                            {"B", "x &amp; y"},
                            {"Empty", ""},
                            {"Inner", "&lt;i&gt;"},
                            {"Outer", "&lt;setting name=&quot;Inner&quot;&gt;&lt;i&gt;&lt;/setting&gt;"}}));
    EXPECT_EQ(testsupport::listTree(dir.path() + "/new/dir"), std::set<std::string>{"settings.xml"});

    // A name no property has, written raw, would make the whole file unreadable.
    const std::string odd = "q\"<&>\t\n";
    ASSERT_TRUE(Settings::save(out, {{odd, Setting("v", Setting::Changed)}}));
    ASSERT_TRUE(Settings::load(out, entries));
    EXPECT_EQ(values(entries), (Values{{odd, "v"}}));
}

TEST(Settings, EntriesRecordChangesAndRemovals)
{
    TempDir dir;
    const std::string file = dir.path() + "/settings.xml";
    writeFile(file, settingsFile({{"A", "1"}, {"B", "2"}}));
    Settings settings;
    settings.setPath(file);
    bool ok = false;
    EXPECT_EQ(settings.readEntry("Z", "d", &ok), "d");
    EXPECT_FALSE(ok);
    settings.writeEntry("A", "1");
    settings.removeEntry("Z");
    EXPECT_FALSE(settings.modified());

    settings.removeEntry("A");
    EXPECT_TRUE(settings.modified());
    EXPECT_EQ(settings.readEntry("A", "d", &ok), "d");
    EXPECT_FALSE(ok);
    settings.writeEntry("A", "1"); // the stored value, so still removed
    EXPECT_EQ(settings.readEntry("A", "d", &ok), "d");
    settings.writeEntry("A", "3");

    settings.removeEntry("B");
    ASSERT_TRUE(settings.save());
    EXPECT_FALSE(settings.modified());
    EXPECT_EQ(readFile(file), settingsFile({{"A", "3"}}));
}

TEST(Settings, SyncMergesWithWhatAnotherProcessSaved)
{
    TempDir dir;
    const std::string file = dir.path() + "/settings.xml";
    writeFile(file, settingsFile({{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}}), 0644, 1000);
    Settings mine;
    mine.setPath(file);
    mine.sync();
    EXPECT_EQ(testsupport::fileMtime(file), 1000);

    mine.writeEntry("A", "mine");
    mine.removeEntry("B");
    otherProcess(file, [](Settings& other) {
        other.writeEntry("B", "theirs");
        other.writeEntry("C", "theirs");
        other.removeEntry("D");
        other.writeEntry("E", "new");
    });
    mine.sync();
    const Values merged{{"A", "mine"}, {"C", "theirs"}, {"E", "new"}};
    EXPECT_EQ(values(mine.entries()), merged);
    EXPECT_EQ(readFile(file), settingsFile(merged));
    EXPECT_FALSE(mine.modified());

    // Changed here only: saved. A change saved before does not come back over
    // a later one of the other process.
    mine.writeEntry("A", "again");
    mine.sync();
    EXPECT_EQ(readFile(file), settingsFile({{"A", "again"}, {"C", "theirs"}, {"E", "new"}}));
    otherProcess(file, [](Settings& other) { other.writeEntry("A", "later"); });
    mine.writeEntry("F", "f");
    mine.sync();
    EXPECT_EQ(readFile(file), settingsFile({{"A", "later"}, {"C", "theirs"}, {"E", "new"}, {"F", "f"}}));

    // Changed in the file only: read.
    otherProcess(file, [](Settings& other) { other.removeEntry("F"); });
    mine.sync();
    EXPECT_EQ(values(mine.entries()), (Values{{"A", "later"}, {"C", "theirs"}, {"E", "new"}}));
}

TEST(Settings, FailedSaveKeepsTheChangesForTheNextSync)
{
    TempDir dir;
    const std::string settingsDir = dir.path() + "/d";
    const std::string file = settingsDir + "/settings.xml";
    // A file where the settings directory should be makes every save fail.
    const auto block = [&] {
        std::filesystem::remove_all(settingsDir);
        writeFile(settingsDir, "");
    };
    block();
    Settings settings;
    settings.setPath(file);
    settings.writeEntry("A", "1");
    EXPECT_TRUE(settings.sync());
    EXPECT_TRUE(settings.modified());
    ASSERT_EQ(unlink(settingsDir.c_str()), 0);
    settings.sync();
    EXPECT_FALSE(settings.modified());
    EXPECT_EQ(readFile(file), settingsFile({{"A", "1"}}));

    // The same when the file changed meanwhile, so that the change is merged.
    settings.writeEntry("B", "2");
    block();
    settings.sync();
    EXPECT_TRUE(settings.modified());
    ASSERT_EQ(unlink(settingsDir.c_str()), 0);
    settings.sync();
    EXPECT_EQ(readFile(file), settingsFile({{"B", "2"}}));
}

TEST(Settings, UnreadableFilesLeaveTheEntriesAsTheyWere)
{
    TempDir dir;
    const std::string good = dir.path() + "/good.xml";
    writeFile(good, settingsFile({{"K", "v"}}));
    Settings settings;
    settings.setPath(good);
    const auto stamp = settings.lastModified();
    ASSERT_TRUE(stamp.has_value());

    // Each level of the nested file would hold every level below it as its value.
    std::string nested;
    for (int i = 0; i < 4000; ++i)
        nested += "<setting name=\"" + std::to_string(i) + "\">";
    for (int i = 0; i < 4000; ++i)
        nested += "</setting>";
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"truncated", "<settings>\n  <setting name=\"K\">w</setting>\n"},
        {"oversized", "<settings>" + std::string(Settings::kMaxFileSize, ' ') + "</settings>"},
        {"nested", nested},
    };
    for (const auto& [name, text] : files)
        writeFile(dir.path() + "/" + name, text);
    mkdir((dir.path() + "/directory").c_str(), 0755);
    for (const char* name : {"missing", "empty", "truncated", "oversized", "nested", "directory"}) {
        SCOPED_TRACE(name);
        SettingsTable entries{{"K", Setting("v", Setting::Changed)}};
        EXPECT_FALSE(Settings::load(dir.path() + "/" + name, entries));
        EXPECT_EQ(entries.at("K").state, Setting::Changed);
        settings.setPath(dir.path() + "/" + name);
        EXPECT_EQ(values(settings.entries()), (Values{{"K", "v"}}));
        EXPECT_EQ(settings.lastModified(), stamp);
    }
    settings.setPath(good);

    // Deep nesting is no problem in itself.
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "<a>";
    text += "<setting name=\"Deep\"><b><b>v</b></b></setting>";
    for (int i = 0; i < 200000; ++i)
        text += "</a>";
    writeFile(dir.path() + "/deep", text);
    SettingsTable entries;
    ASSERT_TRUE(Settings::load(dir.path() + "/deep", entries));
    EXPECT_EQ(values(entries), (Values{{"Deep", "<b><b>v</b></b>"}}));
}

TEST(Settings, DestructorSavesOnlyWhereAPathWasSet)
{
    TempDir dir;
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Settings().writeEntry("A", "1");
    otherProcess(dir.path() + "/user/settings.xml", [](Settings& named) { named.writeEntry("A", "1"); });
    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);
    EXPECT_EQ(testsupport::listTree(dir.path()), (std::set<std::string>{"user/", "user/settings.xml"}));
    EXPECT_EQ(readFile(dir.path() + "/user/settings.xml"), settingsFile({{"A", "1"}}));
}

} // namespace
