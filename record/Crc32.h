#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320), table driven. Pass a
// previous result as `crc` to continue over more bytes.
std::uint32_t Crc32(const void* data, std::size_t size, std::uint32_t crc = 0);
