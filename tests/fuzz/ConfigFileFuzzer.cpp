// Fuzzes the configuration-file loader's reading of records: any bytes give exactly their whole
// 8-byte records, each the two little-endian integers at its place, and nothing is read past the
// end (AddressSanitizer sees the buffer's true size).
#include "camera/ConfigRecords.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "ParseConfigRecords: %s\n", what);
    std::abort();
}

uint32_t Little(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const std::vector<ConfigRecord> records = ParseConfigRecords(bytes.data(), bytes.size());
    Require(records.size() == size / 8, "not one record per whole 8 bytes");
    for (size_t i = 0; i < records.size(); ++i) {
        Require(static_cast<uint32_t>(records[i].first) == Little(bytes.data() + 8 * i),
                "a first value differs from its bytes");
        Require(static_cast<uint32_t>(records[i].second) == Little(bytes.data() + 8 * i + 4),
                "a second value differs from its bytes");
    }
    Require(ParseConfigRecords(nullptr, size).empty(), "records from no bytes");
    return 0;
}
