#include "project/ProjectSystem.h"

#include "project/KnownCodecs.h"
#include "project/PropertyClass.h"

namespace {
using enum PropertyClass::Type;
} // namespace

ProjectSystem::ProjectSystem(ProjectContext& context, const std::vector<std::string>& fileTypes,
                             const std::vector<std::string>& projectTypes)
    : context_(context)
{
    // clang-format off
    properties_.define({
        {"(Information)", "(Information)", {
            {"date_created",           String, "Date Created",           "", "", "read-only"},
            {"date_modified",          String, "Date Modified",          "", "", "read-only"},
            {"Platform",               String, "Platform",               "MSP430", "", "read-only"},
            {"full_path",              String, "Full Path",              "", "", "read-only"},
            {"relative_path",          String, "Relative Path",          "", "", "read-only"},
            {"(Name)",                 String, "Name",                   "", "", "read-only"},
            {"file_name",              String, "File Name",              "", "", "read-only"},
            {"name",                   String, "Solution File Name",     "", "", "read-only"},
            {"full_project_directory", String, "Full Project Directory", "", "", "read-only"},
        }},
        {"General", "File Options", {
            {"file_codec",     Enumeration, "File Encoding",    "Default", "", "Common-only"},
            {"file_open_with", Enumeration, "File Open Action", "Default",
                 "Default, Text Editor, Binary Editor, Datasheet Viewer, Web Browser, Run File", "Common-only"},
            {"file_type",      Enumeration, "File Type",        "Default", "", "Common-only"},
        }},
        {"General", "Folder Options", {
            {"filter", StringList, "Filter",                   "", "", "Common-only"},
            {"path",   DirPath,    "Dynamic Folder Directory", "", "", "read-only"},
            // Only shown for dynamic folders and never stored, so it reuses "path".
            {"path",   String,     "Dynamic Folder Filter",    "", "", "read-only"},
        }},
        {"Build", "Build Options", {
            {"project_type",         Enumeration, "Project Type",         "Executable", "", "Common-only"},
            {"project_directory",    String,      "Project Directory",    "", "", "read-only"},
            {"project_dependencies", StringList,  "Project Dependencies"},
            {"macros",               StringList,  "Project Macros"},
        }},
        {"Build", "General Options", {
            {"batch_build_configurations", StringList, "Batch Build Configurations", "", "", "Common-only"},
            {"inherited_configurations",   StringList, "Inherited Configurations"},
        }},
    });
    // clang-format on
    properties_.find("file_codec")->setEnumeratesSource(knownCodecList);
    std::vector<std::string> fileTypeEntries = {"Default"};
    fileTypeEntries.insert(fileTypeEntries.end(), fileTypes.begin(), fileTypes.end());
    properties_.find("file_type")->setEnumerates(fileTypeEntries);
    properties_.find("project_type")->setEnumerates(projectTypes);

    filter_ = properties_.find("filter");
    platform_ = properties_.find("Platform");
    macros_ = properties_.find("macros");
}

ProjectSystem::~ProjectSystem() = default;
