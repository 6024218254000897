#include "tool/ProcessState.h"

#include "environment/EnvironmentSettings.h"
#include "foundation/QTx.h"
#include "macros/GlobalMacrosSetting.h"
#include "macros/MacroSystem.h"
#include "project/BuildSystem.h"
#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"
#include "project/PropertyValue.h"
#include "project/PropertyValueGroup.h"

void resetProcessState()
{
    macroSystem = MacroSystem();
    setGlobalMacrosSettingSource(nullptr, nullptr);
    setGlobalMacrosSetting("");
    QTx::clearApplicationPath();
    // Their owners are solution mode or the test that set them. The environment
    // is not destroyed here: that would write the user's settings file.
    environment = nullptr;
    projectSystem = nullptr;
    buildSystem = nullptr;
    propertyValueGroups = nullptr;
    stringProvider = nullptr;
    setPropertyWarningHandler(nullptr);
    // The registries own only their page lists; the values stay with their environment.
    g_globalProperties.clear();
    g_globalPropertySettings.clear();
}
