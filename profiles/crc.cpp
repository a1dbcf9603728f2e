#include "profiles/crc.h"

#include "usb/tarnusbreport.h"

uint32_t tarnCrc32(const uint8_t* data, size_t length) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t word = 0; word + 4 <= length; word += 4) {
        crc ^= readLe32(data + word);
        for (int bit = 0; bit < 32; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}
