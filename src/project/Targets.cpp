#include "project/Targets.h"

// clang-format off
const char* Get_ASM_FILE_EXTENSION()           { return "s43"; }
int Get_TARGET_PROCESSOR()                     { return 9; }
const char* Get_PLATFORM()                     { return "MSP430"; }
int Get_ADDRESS_WIDTH()                        { return 4; }
const char* Get_ADDRESS_FORMAT()               { return "%04x"; }
bool Get_TARGET_CPP()                          { return false; }
const char* Get_DEFAULT_CODE_SECTION_NAME()    { return "CODE"; }
const char* Get_DEFAULT_CONST_SECTION_NAME()   { return "CONST"; }
const char* Get_DEFAULT_DATA_SECTION_NAME()    { return "IDATA0"; }
const char* Get_DEFAULT_ZEROED_SECTION_NAME()  { return "UDATA0"; }
const char* Get_DEFAULT_VECTORS_SECTION_NAME() { return "INTVEC"; }
// clang-format on
