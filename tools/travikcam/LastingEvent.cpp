// travikcam check: the one lasting object a process may gain during the groups.
#include "LastingEvent.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace travikcam {

namespace {

// The one kernel handle that `after` has and `before` has not, when that is all that grew.
ULONG_PTR OnlyNewHandle(const travik_resources::ResourceCounts& before,
                        const travik_resources::ResourceCounts& after) {
    if (after.handles != before.handles + 1 || after.gdiObjects > before.gdiObjects ||
        after.windows > before.windows || after.threads > before.threads)
        return 0;
    for (const ULONG_PTR value : after.handleValues)
        if (!std::binary_search(before.handleValues.begin(), before.handleValues.end(), value))
            return value;
    return 0;
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
