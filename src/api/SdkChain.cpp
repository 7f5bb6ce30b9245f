// Handle registry: the ring of handles, handle creation, lookup and release.
#include "api/SdkChain.h"

#include "camera/Travik.h"
#include "support/UniqueHandle.h"
#include "support/MessageWait.h"

#include <algorithm>
#include <cstdlib>
#include <new>

CSdkChain g_sdkChain;

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
} // namespace

CameraLease::CameraLease(CSdkChain& chain, CTravik* camera) : m_chain(&chain), m_camera(camera) {
    if (m_camera) ++t_leasesHeld;
}

CameraLease::~CameraLease() {
    if (!m_camera) return;
    --t_leasesHeld;
    // Once its reference is dropped the camera may be freed by a release at any moment: only
    // the chain is told.
    if (m_camera->EndUse())
        delete m_camera;
    else
        m_chain->LeaseEnded();
}

bool CameraLease::HeldByThisThread() { return t_leasesHeld > 0; }

int CSdkChain::CreateCamera() {
    CTravik* camera = new (std::nothrow) CTravik();
    if (!camera) return 0;
    LockGuard lock(m_lock);
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
    LockGuard lock(m_lock);
    return Seek(handle) ? m_cursor : nullptr;
}

CameraLease CSdkChain::LeaseCamera(int handle) {
    LockGuard lock(m_lock);
    if (!Seek(handle) || !m_cursor->data.camera) return CameraLease();
    m_cursor->data.camera->BeginUse();
    return CameraLease(*this, m_cursor->data.camera);
}

CTravik* CSdkChain::Unregister(int handle, bool& found) {
    LockGuard lock(m_lock);
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

// The release counts itself as waiting before it looks at the camera's references, and a lease
// drops its reference before it looks at that count: so either the release sees the reference
// gone, or the lease sees the release waiting and sets its event.
void CSdkChain::WaitUntilUnused(const CTravik& camera) {
    const UniqueHandle leaseEnded(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    {
        LockGuard lock(m_lock);
        m_releasesWaiting.push_back(leaseEnded.get());
        ++m_releasesWaitingCount;
    }
    while (camera.InUse()) {
        // Without an event (none could be made) the wait falls back to looking again shortly.
        if (WaitAnsweringSentMessages(leaseEnded.get()) == WAIT_FAILED) Sleep(1);
    }
    LockGuard lock(m_lock);
    std::erase(m_releasesWaiting, leaseEnded.get());
    --m_releasesWaitingCount;
}

void CSdkChain::LeaseEnded() {
    if (m_releasesWaitingCount.load() == 0) return;
    LockGuard lock(m_lock);
    for (HANDLE release : m_releasesWaiting)
        SetEvent(release);
}

int CSdkChain::RemoveHandle(int handle) {
    LockGuard lock(m_lock);
    return Seek(handle) ? RemoveCurrent() : 0;
}
