// Device tests: a device object on a name of the test's choosing, with its protected parts open.
#pragma once

#include "device/TVKSdkLib.h"

namespace device_test {

// No camera ever answers to this name, whatever the harness installed.
constexpr char kAbsentName[] = "TvikAbsentForTests";

class TestDevice : public CTVKSdkLib {
  public:
    explicit TestDevice(const char* name) { StoreDeviceName(name); }
    using CTVKSdkLib::SendCommand;
    using CTVKSdkLib::StoreWordMode;
};

} // namespace device_test
