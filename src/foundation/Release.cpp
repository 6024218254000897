#include "foundation/Release.h"

#include <cstdio>

#include "Version.h"

const char* Get_STUDIO_BRANDING()
{
    return "Ambrel for MSP430";
}
const char* Get_STUDIO_NAME()
{
    return "Ambrel";
}
const char* Get_PRODUCT_GENERIC_NAME()
{
    return "Lathmark for MSP430";
}
const char* Get_OWNER()
{
    return "Vennic Associates Limited";
}
// The notice line is ours to word.
const char* Get_COPYRIGHT()
{
    return "Copyright (c) 2001-2009 Vennic Associates Limited. All rights reserved.";
}
const char* Get_SOFTWARE_RELEASE()
{
    return "2.0";
}
// The major release is 4 while its number is 2: both are as released.
int Get_RELEASE_MAJOR()
{
    return 4;
}
int Get_RELEASE_MAJOR_NUMBER()
{
    return 2;
}
const char* Get_RELEASE_MAJOR_STRING()
{
    return "2.";
}
int Get_RELEASE_MINOR_NUMBER()
{
    return 0;
}
const char* Get_RELEASE_MINOR_STRING()
{
    return "0";
}
int Get_RELEASE_REVISION_NUMBER()
{
    return 2;
}
const char* Get_RELEASE_REVISION_STRING()
{
    return "2";
}

namespace {

void printVersion(FILE* stream, const char* name)
{
    std::fprintf(stream, "Lathmark for MSP430 %s - Release " MKPKG_VERSION ".2009020300.4173\n%s\n", name,
                 Get_COPYRIGHT());
    std::fflush(stream);
}

} // namespace

void RELEASE_printVersionToStdout(const char* name)
{
    printVersion(stdout, name);
}

void RELEASE_printVersionToStderr(const char* name)
{
    printVersion(stderr, name);
}
