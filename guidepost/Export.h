#pragma once
// Marks what libCVCLIB exports; everything else stays inside.
#define CVCLIB_EXPORT __attribute__((visibility("default")))
