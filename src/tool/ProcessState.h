#pragma once

// Puts every process-wide object back as it is when the program starts: the
// system macros, the stored global-macros setting and the
// recorded program location. Tests call it before each test.
void resetProcessState();
