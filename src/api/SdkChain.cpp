// Handle registry: the ring of handles, handle creation, lookup and release.
#include "api/SdkChain.h"

#include "camera/Travik.h"

#include <cstdlib>
#include <new>

CSdkChain g_sdkChain;

namespace {
class RegistryLock {
  public:
    explicit RegistryLock(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
    ~RegistryLock() { LeaveCriticalSection(&m_lock); }
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;

  private:
    CRITICAL_SECTION& m_lock;
};
} // namespace

template <class T> void CTRing<T>::AddNode(const T& value) {
    auto* node = new RingNode<T>{value, nullptr, nullptr};
    if (!m_cursor) {
        node->prev = node->next = node;
    } else {
        node->next = m_cursor;
        node->prev = m_cursor->prev;
        m_cursor->prev->next = node;
        m_cursor->prev = node;
    }
    m_cursor = node;
    ++m_nodeCount;
}

// Walks forwards from the cursor; the walk stops at the handle that the cursor's predecessor
// held when it began, so a miss leaves the cursor on that predecessor.
template <class T> int CTRing<T>::Seek(int handle) {
    if (!m_cursor) return 0;
    const int stopValue = m_cursor->prev->data.handle;
    if (m_cursor->data.handle == handle) return 1;
    for (;;) {
        if (m_cursor->data.handle == stopValue) return 0;
        m_cursor = m_cursor->next;
        if (m_cursor->data.handle == handle) return 1;
    }
}

template <class T> bool CTRing<T>::Contains(int handle) const {
    const RingNode<T>* node = m_cursor;
    for (int i = 0; node && i < m_nodeCount; ++i, node = node->next)
        if (node->data.handle == handle) return true;
    return false;
}

template <class T> int CTRing<T>::RemoveCurrent() {
    if (!m_cursor) return 0;
    RingNode<T>* node = m_cursor;
    if (node->next == node) {
        m_cursor = nullptr;
        m_nodeCount = 0;
    } else {
        node->prev->next = node->next;
        node->next->prev = node->prev;
        m_cursor = node->next;
        --m_nodeCount;
    }
    delete node;
    return 1;
}

template <class T> void CTRing<T>::RemoveAll() {
    while (RemoveCurrent()) {
    }
}

template class CTRing<CSDKDATA>;

CameraLease::CameraLease(CTravik* camera) : m_camera(camera) {}

CameraLease::~CameraLease() {
    if (m_camera) m_camera->EndUse();
}

int CSdkChain::CreateCamera() {
    CTravik* camera = new (std::nothrow) CTravik();
    if (!camera) return 0;
    RegistryLock lock(m_lock);
    // Wrap-around sum, computed unsigned so that it is defined; rand() is per thread and never
    // seeded here.
    unsigned sum = static_cast<unsigned>(GetTickCount()) + static_cast<unsigned>(std::rand()) +
                   static_cast<unsigned>(m_nodeCount);
    // Threads share rand()'s default seed, so two cameras made in the same millisecond can meet
    // on one value; 0 means "no handle". Step past both so every live handle names one camera.
    while (sum == 0 || Contains(static_cast<int>(sum))) ++sum;
    const int handle = static_cast<int>(sum);
    AddNode(CSDKDATA{handle, camera});
    return handle;
}

RingNode<CSDKDATA>* CSdkChain::FindCamera(int handle) {
    RegistryLock lock(m_lock);
    return Seek(handle) ? m_cursor : nullptr;
}

CameraLease CSdkChain::LeaseCamera(int handle) {
    RegistryLock lock(m_lock);
    if (!Seek(handle) || !m_cursor->data.camera) return CameraLease();
    m_cursor->data.camera->BeginUse();
    return CameraLease(m_cursor->data.camera);
}

int CSdkChain::ReleaseCamera(int handle) {
    CTravik* camera = nullptr;
    {
        RegistryLock lock(m_lock);
        if (!Seek(handle)) return 0;
        camera = m_cursor->data.camera;
        m_cursor->data.camera = nullptr;
        RemoveCurrent();
    }
    // No new lease can be taken now; wait for the running ones before freeing.
    if (camera) {
        camera->WaitUnused();
        delete camera;
    }
    return 1;
}

int CSdkChain::RemoveHandle(int handle) {
    RegistryLock lock(m_lock);
    return Seek(handle) ? RemoveCurrent() : 0;
}
