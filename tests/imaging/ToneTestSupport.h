// Random tone settings for the tests of the composed tone tables and their look-ups.
#pragma once

#include "imaging/kernels/ToneTable.h"

#include <cstdint>
#include <random>

namespace kernel_test {

// At least one of gamma, contrast and brightness, each with a value from its whole range.
inline ToneSteps RandomToneSteps(std::mt19937& rng) {
    ToneSteps steps;
    const unsigned which = 1 + rng() % 7;
    steps.gamma = which & 1;
    steps.contrast = which & 2;
    steps.brightness = which & 4;
    steps.gammaValue = static_cast<int32_t>(rng() % 201);
    steps.contrastValue = static_cast<int32_t>(rng() % 255) - 127;
    steps.brightnessValue = static_cast<int32_t>(rng() % 511) - 255;
    return steps;
}

} // namespace kernel_test
