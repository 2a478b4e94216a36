#pragma once
// The compression component the archive code calls: one file in, one file
// out (gzip stream format over zlib). Both return non-zero on success; on
// failure the destination does not remain.

extern "C" {
int compfile(const char* destination, const char* source);
int uncompfile(const char* destination, const char* source);
}
