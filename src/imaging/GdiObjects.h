// Owners of GDI objects: memory device contexts, bitmaps and the selection of an object into a DC.
#pragma once

#include <windows.h>

#include "support/NonCopyable.h"

#include <memory>
#include <type_traits>

struct DeleteDcFunctor {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

struct DeleteGdiObjectFunctor {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A DC made by CreateCompatibleDC, deleted with DeleteDC.
using UniqueMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteDcFunctor>;
// A bitmap, brush or other object deleted with DeleteObject.
template <class Handle>
using UniqueGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, DeleteGdiObjectFunctor>;

// An object selected into a DC; the object it displaced goes back in when this ends, so that
// the selected object is free to be deleted afterwards.
class DcSelection : NonCopyable {
  public:
    DcSelection() = default;
    ~DcSelection() { Reset(); }

    bool Select(HDC dc, HGDIOBJ object) {
        Reset();
        HGDIOBJ displaced = SelectObject(dc, object);
        if (displaced == nullptr || displaced == HGDI_ERROR) return false;
        m_dc = dc;
        m_displaced = displaced;
        return true;
    }

    void Reset() {
        if (m_dc) SelectObject(m_dc, m_displaced);
        m_dc = nullptr;
        m_displaced = nullptr;
    }

  private:
    HDC m_dc = nullptr;
    HGDIOBJ m_displaced = nullptr;
};
