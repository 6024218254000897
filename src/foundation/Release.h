#pragma once

// The release identification of the product.
const char* Get_STUDIO_BRANDING();
const char* Get_STUDIO_NAME();
const char* Get_PRODUCT_GENERIC_NAME();
const char* Get_OWNER();
const char* Get_COPYRIGHT();
const char* Get_SOFTWARE_RELEASE();
int Get_RELEASE_MAJOR();
int Get_RELEASE_MAJOR_NUMBER();
const char* Get_RELEASE_MAJOR_STRING();
int Get_RELEASE_MINOR_NUMBER();
const char* Get_RELEASE_MINOR_STRING();
int Get_RELEASE_REVISION_NUMBER();
const char* Get_RELEASE_REVISION_STRING();

// The two-line banner naming the tool `name`, written and flushed.
void RELEASE_printVersionToStdout(const char* name);
void RELEASE_printVersionToStderr(const char* name);
