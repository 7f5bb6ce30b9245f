// The fast twins of the pixel kernels: the form of a twin that runs along one row.
#pragma once

#include <cstdint>

// Writes the pixels of a row of `count` from `in` into `out` in whole vector steps and returns the
// pixels done; the caller writes the rest with the reference code.
using RowTwin = int32_t (*)(uint8_t* out, const uint8_t* in, int32_t count);
