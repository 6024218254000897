#pragma once

#include <string>

class MacroSystem;

// The per-user package directory.
namespace PackageSystem {

// Expands `packagesDirectory` with the system macros of `macroSystem` and defines the system
// macros "PackagesDir" (that directory), "TargetsDir" (its "targets") and
// "SamplesDir" (its "samples"). Then makes sure the targets directory holds
// "project_templates.xml" and "frequencies.xml", writing each stub that is
// missing: small files that include the installation's own file of that name.
// An existing file is never touched. Throws HException "cannot create " + the
// file's path when a stub cannot be written; the macros stay set.
void setupPackageMacros(MacroSystem& macroSystem, const std::string& packagesDirectory);

} // namespace PackageSystem
