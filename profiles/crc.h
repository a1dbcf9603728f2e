#pragma once
// The family's word-wise CRC-32: polynomial 0x04C11DB7, register starting at 0xFFFFFFFF, the data
// taken as little-endian 32-bit words (trailing bytes beyond the last whole word are not covered),
// no reflection, no final XOR. Profile files and firmware chunks both carry it.

#include <cstddef>
#include <cstdint>

uint32_t tarnCrc32(const uint8_t* data, size_t length);
