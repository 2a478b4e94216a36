#pragma once
// The compression component the archive code calls: one file in, one file
// out (gzip stream format over zlib). Both return non-zero on success; on
// failure the destination does not remain (once it has been opened for
// writing: a missing source or unusable paths leave an existing file alone).
// Several gzip members one after another read as one file, as gunzip reads
// them; a stream cut short or damaged is a failure.

extern "C" {
int compfile(const char* destination, const char* source);
int uncompfile(const char* destination, const char* source);
}
