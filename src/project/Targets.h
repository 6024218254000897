#pragma once

// The fixed values of the MSP430 toolchain.
const char* Get_ASM_FILE_EXTENSION();
int Get_TARGET_PROCESSOR();
const char* Get_PLATFORM();
int Get_ADDRESS_WIDTH();
const char* Get_ADDRESS_FORMAT();
bool Get_TARGET_CPP();
const char* Get_DEFAULT_CODE_SECTION_NAME();
const char* Get_DEFAULT_CONST_SECTION_NAME();
const char* Get_DEFAULT_DATA_SECTION_NAME();
const char* Get_DEFAULT_ZEROED_SECTION_NAME();
const char* Get_DEFAULT_VECTORS_SECTION_NAME();
