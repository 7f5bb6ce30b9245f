// Camera object: a scope that holds the image lock, the one lock of every image buffer.
#pragma once

#include <windows.h>

class ImageLock {
  public:
    explicit ImageLock(CRITICAL_SECTION& lock) : m_lock(&lock) { EnterCriticalSection(m_lock); }
    ~ImageLock() { Unlock(); }
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;
    // Leaves early, before the notice of a frame is posted.
    void Unlock() {
        if (m_lock) LeaveCriticalSection(m_lock);
        m_lock = nullptr;
    }

  private:
    CRITICAL_SECTION* m_lock;
};
