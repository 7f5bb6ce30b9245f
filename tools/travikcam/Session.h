// travikcam: one open camera of the SDK, and the words for the SDK's error codes.
#pragma once

#include "TravikSdk.h"

#include <string>

namespace travikcam {

// A camera handle from Travik_Initialize, released when the session ends.
class Session {
  public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool IsOpen() const { return m_handle != 0; }
    int Handle() const { return m_handle; }
    // Selects the device number; prints why on failure.
    bool SelectDevice(int number);
    // Prints "travikcam: <what> failed: <reason>" with the newest error code, and returns false,
    // so that a failed step reads `if (!Check(call, "what")) return 1;`.
    bool Check(int result, const char* what);

  private:
    int m_handle = 0;
};

// The meaning of an SDK error code in a few words.
const char* DescribeError(int code);
// A path made absolute, kept in UTF-16 for the SDK's wide calls.
std::wstring AbsolutePath(const std::wstring& path);
// UTF-8 for messages.
std::string ToUtf8(const std::wstring& text);

} // namespace travikcam
