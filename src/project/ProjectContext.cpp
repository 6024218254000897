#include "project/ProjectContext.h"

#include "project/BuildSystem.h"
#include "project/ProjectSystem.h"

ProjectContext::ProjectContext(MacroSystem& macros) : macroSystem(macros) {}

ProjectContext::~ProjectContext() = default;
