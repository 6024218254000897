#include "tool/CommandTable.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "tool/ArchiveCommands.h"

namespace {

const CommandRow kCommands[] = {
    {Command::Create, "-c", nullptr, "create new package from files", PackageUse::Replace, updateArchive},
    {Command::Remove, "-d", "-a", "remove files from package", PackageUse::Rewrite, updateArchive},
    {Command::Replace, "-r", nullptr, "replace file in package", PackageUse::Rewrite, updateArchive},
    {Command::List, "-t", nullptr, "list contents of package", PackageUse::TableOfContents, listArchive},
    {Command::Extract, "-x", nullptr, nullptr, PackageUse::Members, extractArchive},
};

} // namespace

std::span<const CommandRow> commandTable()
{
    return kCommands;
}

const CommandRow& commandRow(Command command)
{
    for (const CommandRow& row : kCommands)
        if (row.command == command)
            return row;
    // Every Command has its row, as the unit tests check; a missing one is a programming error.
    throw std::logic_error("no command row for command " + std::to_string(static_cast<int>(command)));
}

const CommandRow* commandRowForOption(const char* option)
{
    for (const CommandRow& row : kCommands)
        if (std::strcmp(row.option, option) == 0 || (row.alias != nullptr && std::strcmp(row.alias, option) == 0))
            return &row;
    return nullptr;
}
