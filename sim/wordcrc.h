#pragma once
// The family's word-wise CRC-32, as the devices' firmware computes it over a firmware chunk:
// polynomial 0x04C11DB7, register starting at 0xFFFFFFFF, little-endian 32-bit words, no
// reflection, no final XOR.

#include <cstddef>
#include <cstdint>

uint32_t deviceWordCrc32(const uint8_t* data, size_t length);
