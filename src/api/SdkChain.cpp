// Handle registry: the ring of handles, handle creation, lookup and release.
#include "api/SdkChain.h"

#include "camera/Travik.h"

#include <algorithm>
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

namespace {
// Leases the calling thread holds, over every camera: a release from inside an export must not
// wait, since what it would wait for may be lower on its own stack.
thread_local int t_leasesHeld = 0;

// Waits until no export uses the camera any more, answering messages sent to this thread: an
// export running on another thread may be sending to a window of this one.
void WaitUntilUnused(const CTravik& camera) {
    while (camera.InUse()) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
    }
}
} // namespace

CameraLease::CameraLease(CTravik* camera) : m_camera(camera) {
    if (m_camera) ++t_leasesHeld;
}

CameraLease::~CameraLease() {
    if (!m_camera) return;
    --t_leasesHeld;
    if (m_camera->EndUse()) delete m_camera;
}

bool CameraLease::HeldByThisThread() { return t_leasesHeld > 0; }

int CSdkChain::CreateCamera() {
    CTravik* camera = new (std::nothrow) CTravik();
    if (!camera) return 0;
    RegistryLock lock(m_lock);
    // Wrap-around sum, computed unsigned so that it is defined; rand() is per thread and never
    // seeded here.
    unsigned sum = static_cast<unsigned>(GetTickCount()) + static_cast<unsigned>(std::rand()) +
                   static_cast<unsigned>(m_nodeCount);
    // Threads share rand()'s default seed, so cameras made in the same millisecond, or on fresh
    // threads, meet on one value; 0 means "no handle". Step past every number ever issued, so a
    // stale handle can only be unknown.
    while (sum == 0 || WasIssued(static_cast<int>(sum))) ++sum;
    m_issued.insert(std::lower_bound(m_issued.begin(), m_issued.end(), sum), sum);
    const int handle = static_cast<int>(sum);
    AddNode(CSDKDATA{handle, camera});
    return handle;
}

bool CSdkChain::WasIssued(int handle) const {
    return std::binary_search(m_issued.begin(), m_issued.end(), static_cast<unsigned>(handle));
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

CTravik* CSdkChain::Unregister(int handle, bool& found) {
    RegistryLock lock(m_lock);
    found = Seek(handle) != 0;
    if (!found) return nullptr;
    CTravik* camera = m_cursor->data.camera;
    m_cursor->data.camera = nullptr;
    RemoveCurrent();
    return camera;
}

int CSdkChain::ReleaseCamera(int handle) {
    bool found = false;
    CTravik* camera = Unregister(handle, found);
    if (!camera) return found ? 1 : 0;
    // From here on no lease can be taken; the registration's reference is ours. Grabs that wait
    // for frames hold leases: they return now.
    camera->EndStreamWaits();
    if (!CameraLease::HeldByThisThread()) WaitUntilUnused(*camera);
    if (camera->EndUse()) delete camera;
    return 1;
}

int CSdkChain::RemoveHandle(int handle) {
    RegistryLock lock(m_lock);
    return Seek(handle) ? RemoveCurrent() : 0;
}
