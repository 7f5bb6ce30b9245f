// Support: Win32 handles, locks, registry keys and waits that the SDK and its tools share; here
// the base of the objects that own memory, threads or handles and so are never copied. Plain C++,
// so the portable libraries may use it too.
#pragma once

class NonCopyable {
  public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

  protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};
