#include <gtest/gtest.h>

#include <filesystem>
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

ino_t inodeOf(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
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
    SettingsTable again;
    ASSERT_TRUE(Settings::load(out, again));
    EXPECT_EQ(values(again), values(entries));

    // A name no property has, written raw, would make the whole file unreadable.
    const std::string odd = "q\"<&>\t\n";
    ASSERT_TRUE(Settings::save(out, {{odd, Setting("v", Setting::Changed)}}));
    ASSERT_TRUE(Settings::load(out, again));
    EXPECT_EQ(values(again), (Values{{odd, "v"}}));
}

TEST(Settings, EntriesRecordChangesAndRemovals)
{
    TempDir dir;
    const std::string file = dir.path() + "/settings.xml";
    writeFile(file, settingsFile({{"A", "1"}, {"B", "2"}}));
    Settings settings;
    settings.setPath(file);
    ASSERT_TRUE(settings.lastModified().has_value());
    bool ok = false;
    EXPECT_EQ(settings.readEntry("A", "d", &ok), "1");
    EXPECT_TRUE(ok);
    EXPECT_EQ(settings.readEntry("Z", "d", &ok), "d");
    EXPECT_FALSE(ok);

    settings.writeEntry("A", "1");
    settings.removeEntry("Z");
    EXPECT_FALSE(settings.modified());
    EXPECT_EQ(settings.entries().count("Z"), 0u);

    settings.removeEntry("A");
    EXPECT_TRUE(settings.modified());
    EXPECT_EQ(settings.readEntry("A", "d", &ok), "d");
    EXPECT_FALSE(ok);
    settings.writeEntry("A", "1");
    EXPECT_EQ(settings.readEntry("A", "d"), "1");

    settings.removeEntry("B");
    ASSERT_TRUE(settings.save());
    EXPECT_FALSE(settings.modified());
    EXPECT_EQ(readFile(file), settingsFile({{"A", "1"}}));
    EXPECT_EQ(values(settings.entries()), (Values{{"A", "1"}}));
}

TEST(Settings, SyncMergesWithWhatAnotherProcessSaved)
{
    TempDir dir;
    const std::string file = dir.path() + "/settings.xml";
    writeFile(file, settingsFile({{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}}));
    Settings mine;
    mine.setPath(file);

    // Nothing changed anywhere: the file is left alone.
    const ino_t before = inodeOf(file);
    mine.sync();
    EXPECT_EQ(inodeOf(file), before);

    mine.writeEntry("A", "mine");
    mine.removeEntry("B");
    {
        Settings other;
        other.setPath(file);
        other.writeEntry("B", "theirs");
        other.writeEntry("C", "theirs");
        other.removeEntry("D");
        other.writeEntry("E", "new");
        other.sync();
    }
    mine.sync();
    const Values merged{{"A", "mine"}, {"C", "theirs"}, {"E", "new"}};
    EXPECT_EQ(values(mine.entries()), merged);
    EXPECT_EQ(readFile(file), settingsFile(merged));
    EXPECT_FALSE(mine.modified());

    // Only this process changed something: saved as it is.
    mine.writeEntry("A", "again");
    mine.sync();
    EXPECT_EQ(readFile(file), settingsFile({{"A", "again"}, {"C", "theirs"}, {"E", "new"}}));

    // A change saved before does not come back over a later one of the other process.
    {
        Settings other;
        other.setPath(file);
        other.writeEntry("A", "later");
    }
    mine.writeEntry("F", "f");
    mine.sync();
    EXPECT_EQ(readFile(file), settingsFile({{"A", "later"}, {"C", "theirs"}, {"E", "new"}, {"F", "f"}}));

    // Only the file changed: read.
    {
        Settings other;
        other.setPath(file);
        other.removeEntry("F");
    }
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

    std::string nested;
    for (int i = 0; i < 4000; ++i)
        nested += "<setting name=\"" + std::to_string(i) + "\">";
    for (int i = 0; i < 4000; ++i)
        nested += "</setting>";
    const std::string oversized = "<settings>" + std::string(Settings::kMaxFileSize, ' ') + "</settings>";
    const std::pair<const char*, std::string> files[] = {
        {"empty", ""},
        {"text", "not XML at all"},
        {"truncated", "<settings>\n  <setting name=\"K\">w</setting>\n"},
        {"oversized", oversized},
        // Each level's value holds every level below it.
        {"nested", nested},
    };
    for (const auto& [name, text] : files)
        writeFile(dir.path() + "/" + name, text);
    mkdir((dir.path() + "/directory").c_str(), 0755);
    for (const char* name : {"missing", "empty", "text", "truncated", "oversized", "nested", "directory"}) {
        SCOPED_TRACE(name);
        SettingsTable entries{{"K", Setting("v", Setting::Changed)}};
        EXPECT_FALSE(Settings::load(dir.path() + "/" + name, entries));
        EXPECT_EQ(entries.at("K").state, Setting::Changed);
        settings.setPath(dir.path() + "/" + name);
        EXPECT_EQ(values(settings.entries()), (Values{{"K", "v"}}));
        EXPECT_EQ(settings.lastModified(), stamp);
    }
    settings.setPath(good);
}

TEST(Settings, DeepDocumentsLoad)
{
    TempDir dir;
    const int depth = 200000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    text += "<setting name=\"Deep\"><b><b><b>v</b></b></b></setting>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    writeFile(dir.path() + "/deep.xml", text);
    SettingsTable entries;
    ASSERT_TRUE(Settings::load(dir.path() + "/deep.xml", entries));
    EXPECT_EQ(values(entries), (Values{{"Deep", "<b><b><b>v</b></b></b>"}}));
}

TEST(Settings, DestructorSavesOnlyWhereAPathWasSet)
{
    TempDir dir;
    char* previous = getcwd(nullptr, 0);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    {
        Settings unnamed;
        unnamed.writeEntry("A", "1");
    }
    {
        Settings named;
        named.setPath(dir.path() + "/user/settings.xml");
        named.writeEntry("A", "1");
    }
    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);
    EXPECT_EQ(testsupport::listTree(dir.path()), (std::set<std::string>{"user/", "user/settings.xml"}));
    EXPECT_EQ(readFile(dir.path() + "/user/settings.xml"), settingsFile({{"A", "1"}}));
}

} // namespace
