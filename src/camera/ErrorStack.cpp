// Camera object: push and pop of the error stack.
#include "camera/ErrorStack.h"

#include <cstring>

void ErrorStack::Push(int code) {
    LockGuard lock(m_lock);
    std::memmove(&m_codes[1], &m_codes[0], (kDepth - 1) * sizeof(int));
    m_codes[0] = code;
}

int ErrorStack::Pop() {
    LockGuard lock(m_lock);
    const int code = m_codes[0];
    std::memmove(&m_codes[0], &m_codes[1], (kDepth - 1) * sizeof(int));
    m_codes[kDepth - 1] = 0;
    return code;
}
