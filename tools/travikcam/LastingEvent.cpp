// travikcam check: the one lasting object a process may gain during the groups.
#include "LastingEvent.h"

#include <cstdio>
#include <string>
#include <vector>

namespace travikcam {

namespace {

// The one kernel handle that `after` has and `before` has not, when that is all that grew.
ULONG_PTR OnlyNewHandle(const travik_resources::ResourceCounts& before,
                        const travik_resources::ResourceCounts& after) {
    if (after.gdiObjects > before.gdiObjects || after.windows > before.windows ||
        after.windowClasses > before.windowClasses || after.threads > before.threads)
        return 0;
    const std::vector<ULONG_PTR> added = travik_resources::NewKernelHandles(before, after);
    return added.size() == 1 && after.handles == before.handles + 1 ? added[0] : 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

bool LastingEventAllowance::Accept(const travik_resources::ResourceCounts& before,
                                   const travik_resources::ResourceCounts& after) {
    const ULONG_PTR value = OnlyNewHandle(before, after);
    if (m_used || value == 0) return false;
    const std::string text = travik_resources::DescribeKernelHandle(value);
    if (!EndsWith(text, " Event (auto reset, signalled)")) return false;
    m_used = true;
    std::fprintf(stderr, "check:   the DLL's thread library made its lasting lock event: %s\n",
                 text.c_str());
    return true;
}

} // namespace travikcam
