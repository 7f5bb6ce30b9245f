// Settings persistence: the records of a configuration file, read from its bytes (portable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One record of a configuration file: two little-endian 32-bit integers.
struct ConfigRecord {
    int first;
    int second;
};

constexpr size_t kConfigRecordBytes = 8;

// The whole records of a file's bytes, in order; a tail shorter than a record is ignored.
std::vector<ConfigRecord> ParseConfigRecords(const unsigned char* bytes, size_t size);
