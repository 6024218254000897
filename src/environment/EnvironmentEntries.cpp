// The environment properties, one row each, in the order they are created.
#include <cstdlib>
#include <string>

#include "environment/EnvironmentSettings.h"
#include "macros/MacroSystem.h"

namespace {

using Type = PropertyClass::Type;
constexpr Type kBool = PropertyClass::Boolean;
constexpr Type kInt = PropertyClass::Integer;
constexpr Type kText = PropertyClass::String;
constexpr Type kList = PropertyClass::StringList;
constexpr Type kEnum = PropertyClass::Enumeration;

// A property is shown on the options page named by the first component of its
// name, unless it is Internal: window state and histories the dialogs never show.
enum class Page { Options, Internal };

struct Row {
    const char* name;
    Type type;
    const char* defaultValue;
    const char* choices = nullptr; // an Enumeration's entries, ";"-separated
    Page page = Page::Options;
};

// Only the names, their order and the rows of the global macros, the project
// templates, the tool chain root, the package destination, the quick open
// directories and the solution directory are fixed; the other types, defaults,
// choices and pages are this table's own choices.
constexpr Row kRowsBeforeDisplayModes[] = {
    {"Environment/Main Window/State", kText, "", nullptr, Page::Internal},
    {"Environment/Main Window/Geometry", kText, "", nullptr, Page::Internal},
    {"Environment/Main Window/Toolbar State", kText, "", nullptr, Page::Internal},
    {"Environment/Bookmarks", kList, "", nullptr, Page::Internal},
    {"Text Editor/Code Templates", kList, ""},
    {"Text Editor/Color Scheme", kText, "Default"},
    {"Environment/Error Display Timeout", kInt, "10"},
    {"Text Editor/Backup File Depth", kInt, "0"},
    {"Environment/Splash Screen", kBool, "Yes"},
    {"Environment/Macros/Global Macros", kList, ""},
    {"Environment/Max Window Menu Items", kInt, "10"},
    {"Environment/Call Stack/Show Parameter Names", kBool, "Yes"},
    {"Environment/Call Stack/Show Parameter Values", kBool, "Yes"},
    {"Environment/Call Stack/Show Parameter Types", kBool, "No"},
    {"Environment/Call Stack/Show Call Location", kBool, "Yes"},
    {"Environment/Call Stack/Show Call Address", kBool, "No"},
    {"Environment/Startup Action", kEnum, "Show Start Page", "None;Show Start Page;Load Last Solution"},
    {"Environment/Permit Multiple Studio Instances", kBool, "No"},
    {"Text Editor/HScroll Bar", kBool, "Yes"},
    {"Text Editor/VScroll Bar", kBool, "Yes"},
    {"Text Editor/Mini Toolbar", kBool, "Yes"},
    {"Text Editor/Copy On Mouse Select", kBool, "No"},
    {"Text Editor/Icon Gutter", kBool, "Yes"},
    {"Text Editor/Drag Drop Editing", kBool, "Yes"},
    {"Text Editor/Context Bar", kBool, "Yes"},
    {"Text Editor/Delete Trailing Space On Save", kBool, "No"},
    {"Text Editor/Cleanup Tabs On Save", kBool, "No"},
    {"Text Editor/Enable Popup Diagnostics", kBool, "Yes"},
    {"Text Editor/Bold Popup Diagnostics", kBool, "No"},
    {"Text Editor/Diagnostic Cycle Mode", kEnum, "Errors and Warnings", "Errors;Errors and Warnings"},
    {"Environment/Status Bar", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Target", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Build Status", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Insert Mode", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Caret Pos", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Read Only", kBool, "Yes"},
    {"Environment/General/Status Bar/Show Caps Lock", kBool, "No"},
    {"Environment/General/Status Bar/Show Num Lock", kBool, "No"},
    {"Environment/General/Status Bar/Show Scroll Lock", kBool, "No"},
    {"Environment/General/Status Bar/Show Time", kBool, "No"},
    {"Environment/General/Status Bar/Show Size Grip", kBool, "Yes"},
    {"Environment/Size Display Unit", kEnum, "Kilobytes", "Bytes;Kilobytes"},
    {"Environment/General/Large Icons", kBool, "No"},
    {"Environment/Error Display Mode", kEnum, "Status Bar", "Status Bar;Message Box"},
    {"Environment/Number Menus", kBool, "Yes"},
    {"Environment/Show Selector", kBool, "Yes"},
    {"Text Editor/Highlight Cursor Line", kBool, "No"},
    {"Text Editor/Font", PropertyClass::FixedPitchFont, ""},
    {"Text Editor/Confirm Modified File Reload", kBool, "Yes"},
    {"Environment/Application Main Font", PropertyClass::Font, ""},
    {"Environment/Application Monospace Font", PropertyClass::FixedPitchFont, ""},
    {"Environment/Project Explorer/Sync Editor", kBool, "Yes"},
    {"Environment/Project Explorer/Statistics Display", kBool, "Yes"},
    {"Environment/Project Explorer/Statistics Format", kEnum, "Combined", "Separate;Combined"},
    {"Environment/Project Explorer/Statistics Read-Only Data Handling", kEnum, "Code", "Code;Data"},
    {"Environment/Project Explorer/Dependencies Display", kBool, "Yes"},
    {"Environment/Project Explorer/Properties Display", kBool, "No"},
    {"Environment/Project Explorer/Common Properties Display", kBool, "Yes"},
    {"Environment/Project Explorer/Show Output Files", kBool, "Yes"},
    {"Environment/Project Explorer/Show Source Code Control Status", kBool, "Yes"},
    {"Environment/Windows/Show Sizes", kBool, "Yes"},
    {"Environment/Windows/Grouping", kEnum, "By Type", "None;By Type"},
    {"Text Editor/Numeric Keypad Enabled", kBool, "Yes"},
    {"Text Editor/Cut Action", kEnum, "Cut Line", "Nothing;Cut Line"},
    {"Text Editor/Copy Action", kEnum, "Copy Line", "Nothing;Copy Line"},
    {"Environment/Project Explorer/Filename Replace Macros", kList, ""},
    {"Text Editor/Hide Cursor When Typing", kBool, "No"},
    {"Text Editor/Ibeam cursor", kBool, "Yes"},
    {"Text Editor/Auto Expand Templates", kBool, "No"},
    {"Text Editor/Enable Virtual Space", kBool, "No"},
    {"Text Editor/Insert Caret Style", kEnum, "Line", "Line;Block;Underline"},
    {"Text Editor/Overwrite Caret Style", kEnum, "Block", "Line;Block;Underline"},
    {"Text Editor/Line Number Mode", kEnum, "Off", "Off;Every Line;Every 5 Lines;Every 10 Lines"},
    {"Text Editor/Mate Matching Mode", kEnum, "Brackets", "Off;Brackets;Brackets and Quotes"},
    {"Text Editor/Diagnostic Icons", kBool, "Yes"},
    {"Text Editor/Edit Read Only", kBool, "No"},
    {"Text Editor/Undo Mode", kEnum, "Edit", "Character;Edit"},
    {"Text Editor/Find/History", kList, "", nullptr, Page::Internal},
    {"Text Editor/Replace/History", kList, "", nullptr, Page::Internal},
    {"Text Editor/Find/Match Whole Word", kBool, "No"},
    {"Text Editor/Find/Match Case", kBool, "No"},
    {"Text Editor/Find/Use RegExp", kBool, "No"},
    {"Text Editor/Find/Search Up", kBool, "No"},
    {"Text Editor/Find/Keep Find Dialog Open", kBool, "No"},
    {"Text Editor/Find/Use Find and Replace Window", kBool, "No"},
    {"Text Editor/Margins/Enabled", kBool, "No"},
    {"Text Editor/Margins/Left", kInt, "0"},
    {"Text Editor/Margins/Right", kInt, "0"},
    {"Text Editor/Margins/Top", kInt, "0"},
    {"Text Editor/Margins/Bottom", kInt, "0"},
    {"Find In Files/File Type", kText, "*.c;*.h;*.s;*.asm"},
    {"Find In Files/Folder History", kList, "", nullptr, Page::Internal},
    {"Find In Files/Match Whole Word", kBool, "No"},
    {"Find In Files/Match Case", kBool, "No"},
    {"Find In Files/Use RegExp", kBool, "No"},
    {"Find In Files/Look In Subfolders", kBool, "Yes"},
    {"Environment/General/Solution Directory", kText, ""}, // $HOME/Documents/Lathmark Projects, set at creation
    {"Environment/General/Project Templates", kText, "$(TargetsDir)/project_templates.xml"},
    {"Environment/Printing/Left Margin", kInt, "20"},
    {"Environment/Printing/Right Margin", kInt, "20"},
    {"Environment/Printing/Top Margin", kInt, "20"},
    {"Environment/Printing/Bottom Margin", kInt, "20"},
    {"Environment/Printing/Orientation", kEnum, "Portrait", "Portrait;Landscape"},
    {"Environment/Printing/Page Size", kEnum, "A4", "A4;Letter;Legal"},
    {"Environment/Build/Tool Chain Root Directory", kText, "$(StudioDir)"},
    {"Environment/Build/Inhibit Debugger Stop Dialog", kBool, "No"},
    {"Environment/Build/Show Command Lines", kBool, "No"},
    {"Environment/Build/Show Unparsed Error Output", kBool, "Yes"},
    {"Environment/Build/Build Before Debug", kBool, "Yes"},
    {"Environment/Build/Find Error After Build", kBool, "Yes"},
    {"Environment/Build/Save Project File On Build", kBool, "Yes"},
    {"Environment/Build/Show Build Information", kBool, "Yes"},
    {"Environment/Debugger/Default Variable Display Mode", kEnum, "Decimal",
     "ASCII;Binary;Octal;Decimal;Unsigned Decimal;Hexadecimal"},
};

// The debugger's tooltips can show a value in each of these formats at once.
struct DisplayFormat {
    const char* name;
    const char* shown;
};
constexpr const char* kDisplayModePrefix = "Environment/Debugger/Extended Tooltip Display Mode/";
constexpr DisplayFormat kDisplayFormats[] = {
    {"ASCII", "No"},    {"Binary", "No"},           {"Octal", "No"},
    {"Decimal", "Yes"}, {"Unsigned Decimal", "No"}, {"Hexadecimal", "Yes"},
};

constexpr Row kRowsAfterDisplayModes[] = {
    {"Environment/Debugger/Maximum Array Elements Displayed", kInt, "100"},
    {"Environment/Debugger/Maximum Backtrace Calls", kInt, "64"},
    {"Environment/Debugger/Array Elements Prompt Size", kInt, "1000"},
    {"Environment/Debugger/Floating Point Format Display", kText, "%g"},
    {"Environment/Debugger/Display Char Ptr As String", kBool, "Yes"},
    {"Environment/Debugger/Source Path", PropertyClass::DirPathList, ""},
    {"Environment/Debugger/Initial Breakpoint", kText, "main"},
    {"Environment/Debugger/Set Initial Breakpoint", kBool, "Yes"},
    {"Environment/Debugger/Clear Disassembly Breakpoint", kBool, "Yes"},
    {"Environment/Debugger/Disassembly Show Labels", kBool, "Yes"},
    {"Environment/Debugger/Close Disassembly On Mode Switch", kBool, "No"},
    {"Environment/Debugger/Disassembly Show Source", kBool, "Yes"},
    {"Environment/Debugger/Restart Resets Target", kBool, "Yes"},
    {"Environment/Debugger/Locals Display Registers", kBool, "No"},
    {"Environment/General/Step Using Hardware Step", kBool, "No"},
    {"Environment/General/Property View Details", kBool, "Yes"},
    {"Environment/General/Properties Displayed", kEnum, "Common", "Common;All"},
    {"Environment/General/Skin", kText, "Default"},
    {"Environment/Source Code Control/Enabled", kBool, "No"},
    {"Environment/Source Code Control/Provider", kText, ""},
    {"Environment/Source Code Control/InhibitAddDialog", kBool, "No"},
    {"Environment/Source Code Control/InhibitCheckoutDialog", kBool, "No"},
    {"Environment/Source Code Control/InhibitCheckinDialog", kBool, "No"},
    {"Environment/Source Code Control/InhibitCheckoutOnEditDialog", kBool, "No"},
    {"Environment/Source Code Control/InhibitGetLatestDialog", kBool, "No"},
    {"Environment/Source Code Control/InhibitUndoCheckoutDialog", kBool, "No"},
    {"Environment/Source Code Control/DiffCommand", kText, ""},
    {"Environment/Source Code Control/MergeCommand", kText, ""},
    {"Environment/Show Transcript On Build", kBool, "Yes"},
    {"Debugging/Show Transcript On Load", kBool, "Yes"},
    {"Debugging/Hide Transcript On Successful Load", kBool, "No"},
    {"Environment/Show Debug Terminal", kBool, "Yes"},
    {"Environment/Clear Debug Terminal On Run", kBool, "No"},
    {"Environment/Clipboard Ring/Contents", kList, "", nullptr, Page::Internal},
    {"Environment/Clipboard Ring/Max Entries", kInt, "20"},
    {"Environment/Clipboard Ring/Save", kBool, "Yes"},
    {"Environment/External Web Browser", PropertyClass::FileName, ""},
    {"Environment/Internet/Enable Debugging", kBool, "No"},
    {"Environment/Internet/RSS Update", kBool, "Yes"},
    {"Environment/Internet/Check Updates", kBool, "Yes"},
    {"Environment/Internet/Check Packages", kBool, "Yes"},
    {"Environment/Internet/HTTP Proxy Port", kInt, "0"},
    {"Environment/Internet/HTTP Proxy Server", kText, ""},
    {"Environment/Internet/Download History", kList, "", nullptr, Page::Internal},
    {"Environment/Internet/Max Download History Items", kInt, "20"},
    {"Environment/Browser/Underline Web Links", kBool, "Yes"},
    {"Environment/Browser/Text Size", kEnum, "Medium", "Smallest;Smaller;Medium;Larger;Largest"},
    {"Environment/Package/Source Directory", PropertyClass::DirPath, ""},
    {"Environment/Package/Source URL", kText, ""},
    {"Environment/Package/Destination Directory", kText, "$(StudioUserDir)/packages"},
    {"Environment/General/Quick Open Directories", kList, "$(StudioDir)/include;$(PackagesDir)/include/targets"},
    {"Environment/General/Document Grouping", kBool, "No"},
    {"Environment/General/Document Title Format", kEnum, "File Name", "File Name;Full Path"},
};

constexpr const char* kGlobalMacros = "Environment/Macros/Global Macros";
constexpr const char* kSolutionDirectory = "Environment/General/Solution Directory";

std::string pageOf(const Row& row)
{
    if (row.page == Page::Internal)
        return "(Internal)";
    const std::string name = row.name;
    return name.substr(0, name.find('/'));
}

std::unique_ptr<PropertyClass> classOf(const Row& row)
{
    std::string defaultValue = row.defaultValue;
    if (std::string(row.name) == kSolutionDirectory) {
        const char* home = std::getenv("HOME");
        defaultValue = std::string(home != nullptr ? home : "") + "/Documents" + "/Lathmark Projects";
    }
    if (row.type == kEnum)
        return std::make_unique<PropertyClass>(row.name, row.type,
                                               MacroSystem::stringListFromString(row.choices, false), pageOf(row), "",
                                               "", "", defaultValue);
    return std::make_unique<PropertyClass>(row.name, row.type, pageOf(row), "", "", "", defaultValue);
}

} // namespace

void EnvironmentSettings::createEntries()
{
    for (const Row& row : kRowsBeforeDisplayModes)
        create(classOf(row));
    for (const DisplayFormat& format : kDisplayFormats) {
        const std::string name = std::string(kDisplayModePrefix) + format.name;
        create(classOf({name.c_str(), kBool, format.shown}));
    }
    for (const Row& row : kRowsAfterDisplayModes)
        create(classOf(row));
    globalMacros_ = property(kGlobalMacros);
    auto read = [this] {
        // The value, or the default when it is empty: what toStringList reads.
        const std::string text = globalMacros_->toString();
        return text.empty() ? globalMacros_->propertyClass()->defaultValue() : text;
    };
    auto write = [this](const std::string& listText) { globalMacros_->setValue(listText); };
    macros_.globalMacrosSetting().setSource(read, write);
}
