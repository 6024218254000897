#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tool/CommandTable.h"

// Every command is reachable through exactly one row, and no two rows share an option.
TEST(CommandTable, HasOneRowPerCommandAndDistinctOptions)
{
    std::set<std::string> options;
    for (Command command : {Command::List, Command::Create, Command::Remove, Command::Replace, Command::Extract}) {
        const CommandRow& row = commandRow(command);
        EXPECT_EQ(row.command, command);
        EXPECT_TRUE(options.insert(row.option).second) << row.option;
        EXPECT_EQ(commandRowForOption(row.option), &row);
        if (row.alias != nullptr) {
            EXPECT_TRUE(options.insert(row.alias).second) << row.alias;
            EXPECT_EQ(commandRowForOption(row.alias), &row);
        }
    }
    EXPECT_EQ(commandTable().size(), 5u);
    EXPECT_EQ(commandRowForOption("-v"), nullptr);
}
