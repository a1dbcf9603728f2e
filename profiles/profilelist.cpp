#include "profiles/profilelist.h"

#include <cstdio>
#include <cstring>

void setDefaultProfileName(uint8_t* record, int index) {
    char name[kProfileNameSize] = {};
    std::snprintf(name, sizeof name, "Profile %d", index);
    std::memcpy(record + kProfileNameOffset, name, kProfileNameSize);
}

bool appendProfile(const ProfileListView& list, const uint8_t* emptyListTemplate) {
    int count = list.profileCount;
    if (count >= list.capacity)
        return false;
    uint8_t* added = list.record(count);
    if (count > 0)
        std::memcpy(added, list.record(count - 1), list.recordSize);
    else if (emptyListTemplate)
        std::memcpy(added, emptyListTemplate, list.recordSize);
    added[0] = uint8_t(count);
    setDefaultProfileName(added, count);
    list.currentProfile = uint8_t(count);
    list.profileCount = uint8_t(count + 1);
    return true;
}

bool removeCurrentProfile(const ProfileListView& list) {
    int count = list.profileCount;
    int current = list.currentProfile;
    if (count < 2 || current >= count)
        return false;
    for (int j = current; j <= count - 2; ++j) {
        std::memcpy(list.record(j), list.record(j + 1), list.recordSize);
        list.record(j)[0] = uint8_t(j);
    }
    list.profileCount = uint8_t(count - 1);
    if (list.currentProfile == list.profileCount)
        list.currentProfile = uint8_t(list.profileCount - 1);
    return true;
}

void replaceCurrentProfile(const ProfileListView& list, const uint8_t* record) {
    uint8_t* current = list.record(list.currentProfile);
    uint8_t index = current[0];
    std::memmove(current, record, list.recordSize);
    current[0] = index;
}

size_t storeProfileName(uint8_t* record, const char* utf8, size_t length) {
    size_t keep = length < kProfileNameMaxBytes ? length : kProfileNameMaxBytes;
    // Step back over continuation bytes so that a multi-byte character is kept whole or not at all.
    if (keep < length) {
        while (keep > 0 && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80)
            --keep;
    }
    uint8_t* name = record + kProfileNameOffset;
    std::memset(name, 0, kProfileNameMaxBytes);
    std::memcpy(name, utf8, keep);
    return keep;
}
