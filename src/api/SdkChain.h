// Handle registry: maps the integer handles of applications to camera objects.
#pragma once

#include <windows.h>

#include "support/CriticalSection.h"

#include <atomic>
#include <vector>

class CTravik;
class CSdkChain;

struct CSDKDATA {
    int handle;
    CTravik* camera; // null once the camera was released
};

template <class T> struct RingNode {
    T data;
    RingNode* prev;
    RingNode* next;
};

// Circular doubly linked list whose cursor is its only entry point. Every structural change and
// every walk happens under the registry lock.
template <class T> class CTRing {
  public:
    CTRing() = default;
    virtual ~CTRing() { RemoveAll(); }
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    // Inserts the value before the cursor and makes it current.
    virtual void AddNode(const T& value);
    int Seek(int handle);
    int RemoveCurrent();
    void RemoveAll();
    int Count() const { return m_nodeCount; }

  protected:
    RingNode<T>* m_cursor = nullptr;
    int m_nodeCount = 0;
    CriticalSection m_lock;
};

// A camera held for the length of one export. The registry's own reference and every lease
// count on the camera; whoever drops the last one destroys it, so a camera is never freed under
// a running export, and a release from a window procedure that an export of the same camera is
// pumping messages for cannot wait for itself.
class CameraLease {
  public:
    CameraLease() = default;
    CameraLease(CSdkChain& chain, CTravik* camera);
    CameraLease(CameraLease&& other) noexcept : m_chain(other.m_chain), m_camera(other.m_camera) {
        other.m_camera = nullptr;
    }
    CameraLease(const CameraLease&) = delete;
    CameraLease& operator=(const CameraLease&) = delete;
    CameraLease& operator=(CameraLease&&) = delete;
    ~CameraLease();

    explicit operator bool() const { return m_camera != nullptr; }
    CTravik& operator*() const { return *m_camera; }
    CTravik* operator->() const { return m_camera; }

    // Whether the calling thread is inside an export (holds any lease).
    static bool HeldByThisThread();

  private:
    CSdkChain* m_chain = nullptr;
    CTravik* m_camera = nullptr;
};

class CSdkChain : public CTRing<CSDKDATA> {
  public:
    // Makes and registers a constructed camera; the handle, or 0 when nothing was made.
    int CreateCamera();
    // The registered node of the handle, or null. The node may be gone once the lock is left:
    // callers that use the camera take a lease instead.
    RingNode<CSDKDATA>* FindCamera(int handle);
    // The camera of the handle, held until the lease ends; empty for an unknown handle.
    CameraLease LeaseCamera(int handle);
    // Unregisters the handle at once, so later calls with it fail like an unknown handle; 1, or
    // 0 when unknown. Called outside any export, it waits for the exports of the camera running
    // on other threads (answering messages sent to this thread meanwhile) and destroys the camera
    // before it returns. Called from inside an export (a window procedure run by an export's
    // message loop, on any camera), it never waits: the last export of the camera to return
    // destroys it.
    int ReleaseCamera(int handle);
    int RemoveHandle(int handle);
    // Whether the number was ever issued as a handle by this registry.
    bool WasIssued(int handle) const;
    // Called as a lease that did not destroy its camera ends: wakes the releases waiting for
    // their camera's exports to end.
    void LeaseEnded();

  private:
    // Waits until no export uses the camera any more, answering messages sent to this thread: an
    // export running on another thread may be sending to a window of this one.
    void WaitUntilUnused(const CTravik& camera);
    // The camera of the handle with its registration; null when unknown. The node is gone after.
    CTravik* Unregister(int handle, bool& found);
    // Every handle number issued, sorted, so that none is issued twice in the process: a stale
    // handle must never address a newer camera. Four bytes per camera ever made; under m_lock.
    std::vector<unsigned> m_issued;
    // The events of the releases waiting in WaitUntilUnused, set by every lease that ends; under
    // m_lock. Their count is read without the lock, so that a lease ends without taking the lock
    // while no release waits.
    std::vector<HANDLE> m_releasesWaiting;
    std::atomic<int> m_releasesWaitingCount{0};
};

extern CSdkChain g_sdkChain;
