#pragma once

#include <span>

#include "tool/Invocation.h"

struct Session;

// How a command uses the package it names.
enum class PackageUse {
    TableOfContents, // reads only the member records
    Members,         // reads the members' bytes
    Rewrite,         // reads it and writes it anew, under the package's lock
    Replace,         // writes a new one in its place, under the lock, taking what pieces it can
};

// One archive command: its option, the usage line, how it uses the package and
// the function that carries it out. A new command is one row and one function.
struct CommandRow {
    Command command;
    const char* option;
    const char* alias;       // a second option for the same command, never listed in the usage text; or null
    const char* description; // the usage text's line for `option`, or null when it is not listed
    PackageUse use;
    int (*run)(Session& session); // returns the exit status
};

// The rows in the order of the usage text.
std::span<const CommandRow> commandTable();

// The row of `command`; every command has exactly one.
const CommandRow& commandRow(Command command);

// The row whose option or alias is `option`, or null.
const CommandRow* commandRowForOption(const char* option);
