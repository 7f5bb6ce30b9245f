// Settings persistence: the records of a configuration file, read from its bytes.
#include "camera/ConfigRecords.h"

namespace {

int LittleEndian32(const unsigned char* q) {
    return static_cast<int>(static_cast<uint32_t>(q[0]) | static_cast<uint32_t>(q[1]) << 8 |
                            static_cast<uint32_t>(q[2]) << 16 | static_cast<uint32_t>(q[3]) << 24);
}

} // namespace

std::vector<ConfigRecord> ParseConfigRecords(const unsigned char* bytes, size_t size) {
    std::vector<ConfigRecord> records;
    if (!bytes) return records;
    // Counted by whole records, so no offset can pass the end whatever the size.
    const size_t count = size / kConfigRecordBytes;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = bytes + i * kConfigRecordBytes;
        records.push_back(ConfigRecord{LittleEndian32(p), LittleEndian32(p + 4)});
    }
    return records;
}
