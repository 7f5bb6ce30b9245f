// The C++ interface compiles on its own, as C++17, without a warning.
#include "TravikSdk.hpp"

static_assert(sizeof(travik::Error) == sizeof(int), "an Error is just its code");
