#include "tool/ProcessState.h"

#include "foundation/QTx.h"
#include "macros/GlobalMacrosSetting.h"
#include "macros/MacroSystem.h"
#include "tool/Globals.h"

void resetProcessState()
{
    resetToolGlobals();
    macroSystem = MacroSystem();
    setGlobalMacrosSetting("");
    QTx::clearApplicationPath();
}
