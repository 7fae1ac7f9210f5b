// The release's numbers, for the version resource (the About box reads the
// same numbers from dialogs/about.h).
#pragma once
#define QUORIN_VERSION_MAJOR 1
#define QUORIN_VERSION_MINOR 0
#define QUORIN_VERSION_REVISION 23
#define QUORIN_FILE_VERSION_TEXT "1.0.0.23"
#define QUORIN_PRODUCT_VERSION_TEXT "1.0.23"
