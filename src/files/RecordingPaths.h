// Image files and recording: the names of the files a recording makes beside the one it was
// given: the sidecar, and the numbered files of pre-event recordings.
#pragma once

#include "files/FilePath.h"

#include <cstdint>
#include <string>

namespace recording_paths {

// The path as a wide string: a narrow one is widened from the ANSI code page, as the system
// would for the narrow file calls. False when it is null or does not convert.
bool Widen(const FilePath& path, std::wstring& wide);

// The sidecar of an AVI: its name with the extension replaced by ".csv" (added when it has none;
// added to it when it is ".csv" already, so that the two never share a name).
std::wstring SidecarOf(const std::wstring& avi);

// File `number` of a pre-event recording at `base`: "-" and the number in at least four digits
// before the extension, "line.avi" giving "line-0001.avi".
std::wstring Numbered(const std::wstring& base, uint32_t number);

// Whether anything exists under the name.
bool Exists(const std::wstring& path);

} // namespace recording_paths
