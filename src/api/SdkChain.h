// Handle registry: maps the integer handles of applications to camera objects.
#pragma once

#include <windows.h>

#include <atomic>

class CTravik;

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
    CTRing() { InitializeCriticalSection(&m_lock); }
    virtual ~CTRing() {
        RemoveAll();
        DeleteCriticalSection(&m_lock);
    }
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    // Inserts the value before the cursor and makes it current.
    virtual void AddNode(const T& value);
    int Seek(int handle);
    int RemoveCurrent();
    void RemoveAll();
    int Count() const { return m_nodeCount; }
    // Whether any node holds the handle; the cursor does not move.
    bool Contains(int handle) const;

  protected:
    RingNode<T>* m_cursor = nullptr;
    int m_nodeCount = 0;
    CRITICAL_SECTION m_lock;
};

// A camera held for the length of one export: release waits until no lease is left, so a
// camera is never freed under a running export.
class CameraLease {
  public:
    CameraLease() = default;
    explicit CameraLease(CTravik* camera);
    CameraLease(CameraLease&& other) noexcept : m_camera(other.m_camera) { other.m_camera = nullptr; }
    CameraLease(const CameraLease&) = delete;
    CameraLease& operator=(const CameraLease&) = delete;
    CameraLease& operator=(CameraLease&&) = delete;
    ~CameraLease();

    explicit operator bool() const { return m_camera != nullptr; }
    CTravik& operator*() const { return *m_camera; }
    CTravik* operator->() const { return m_camera; }

  private:
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
    // Unregisters the handle and frees its camera after the last lease ended; 1, or 0 when unknown.
    int ReleaseCamera(int handle);
    int RemoveHandle(int handle);
};

extern CSdkChain g_sdkChain;
