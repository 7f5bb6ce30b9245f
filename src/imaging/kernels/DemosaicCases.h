// The sample offsets of the Bayer interpolation by parity case, shared by the reference demosaic
// and its vector twin.
#pragma once

#include <cstdint>

namespace demosaic {

struct Offset {
    int32_t row;
    int32_t column;
};

// The samples one output pixel draws on, relative to it: the two greens of the quad at rows -1..0
// and columns -1..0, then for red and for blue the quad's own sample N, the samples H and V two
// columns and two rows beyond it on the far side of the quad's centre, and D diagonal to N.
struct ParityCase {
    Offset green[2];
    Offset red[4];  // N, H, V, D
    Offset blue[4]; // N, H, V, D
};

// Indexed by 2 * (row odd) + (column odd), parities taken after the Bayer phase is applied; in
// phase 0 the sample at an even row and even column is green, its row neighbour blue.
inline constexpr ParityCase kCases[4] = {
    {{{-1, -1}, {0, 0}},
     {{-1, 0}, {-1, -2}, {1, 0}, {1, -2}},
     {{0, -1}, {0, 1}, {-2, -1}, {-2, 1}}},
    {{{-1, 0}, {0, -1}},
     {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}},
     {{0, 0}, {0, -2}, {-2, 0}, {-2, -2}}},
    {{{-1, 0}, {0, -1}},
     {{0, 0}, {0, -2}, {-2, 0}, {-2, -2}},
     {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}},
    {{{-1, -1}, {0, 0}},
     {{0, -1}, {0, 1}, {-2, -1}, {-2, 1}},
     {{-1, 0}, {-1, -2}, {1, 0}, {1, -2}}},
};

} // namespace demosaic
