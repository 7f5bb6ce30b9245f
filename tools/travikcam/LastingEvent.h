// travikcam check: the one lasting object a process may gain during the groups.
#pragma once

#include "resources/ResourceCount.h"

namespace travikcam {

// The SDK's DLL carries a copy of the thread library of its own, and its lasting lock event (see
// WarmUpThreadLibrary in Check.cpp) appears the first time two of the DLL's threads meet on that
// lock, which no call can bring about at will. So one new unnamed auto-reset event, once in the
// process's life, is taken for that event and kept in the later baselines; a second one, or one
// that comes with any other growth, is a leak.
class LastingEventAllowance {
  public:
    // True when the only growth from `before` to `after` is that event, the first time.
    bool Accept(const travik_resources::ResourceCounts& before,
                const travik_resources::ResourceCounts& after);

  private:
    bool m_used = false;
};

} // namespace travikcam
