#include "project/ProjectContext.h"

#include <cstdio>

#include "project/BuildSystem.h"
#include "project/ProjectSystem.h"

ProjectContext::ProjectContext(MacroSystem& macros) : macroSystem(macros) {}

ProjectContext::~ProjectContext() = default;

void projectWarning(const WarningSink& sink, const std::string& text)
{
    if (sink)
        sink(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}
