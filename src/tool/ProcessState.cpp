#include "tool/ProcessState.h"

#include "foundation/QTx.h"
#include "macros/GlobalMacrosSetting.h"
#include "macros/MacroSystem.h"
#include "project/BuildSystem.h"
#include "project/ProjectSystem.h"
#include "project/PropertyClass.h"
#include "project/PropertyValue.h"
#include "project/PropertyValueGroup.h"
#include "tool/Globals.h"

void resetProcessState()
{
    resetToolGlobals();
    macroSystem = MacroSystem();
    setGlobalMacrosSetting("");
    QTx::clearApplicationPath();
    // Their owners are solution mode or the test that set them.
    projectSystem = nullptr;
    buildSystem = nullptr;
    propertyValueGroups = nullptr;
    stringProvider = nullptr;
    setPropertyWarningHandler(nullptr);
}
