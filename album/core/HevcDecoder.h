#pragma once
// The HEVC decoder libheif uses for the album's pictures: libde265, as
// libheif's own, but with a worker thread per core, so that a phone's
// picture, coded in rows that decode side by side, takes every core
// instead of one.

namespace album {

// Registers the decoder with libheif, once; later calls do nothing.
// Pictures decoded afterwards in this process use it.
void useThreadedHevcDecoder();

// How many worker threads each decode starts.
int hevcDecoderThreads();

} // namespace album
