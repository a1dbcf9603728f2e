#pragma once
// The profile-list operations every device class offers, written once over raw records: each
// record begins with its index byte and a 16-byte NUL-terminated UTF-8 name.

#include <cstddef>
#include <cstdint>

struct ProfileListView {
    uint8_t* records; // capacity records of recordSize bytes
    size_t recordSize;
    int capacity;
    uint8_t& profileCount;
    uint8_t& currentProfile;

    uint8_t* record(int index) const { return records + size_t(index) * recordSize; }
};

constexpr size_t kProfileNameOffset = 1;
constexpr size_t kProfileNameSize = 16;
constexpr size_t kProfileNameMaxBytes = 15;

// Writes "Profile %d" into the name of a record.
void setDefaultProfileName(uint8_t* record, int index);

// Appends a copy of the last profile (or the given template when the list is empty) as the new
// current profile. False at capacity.
bool appendProfile(const ProfileListView& list, const uint8_t* emptyListTemplate);

// Removes the current profile, renumbering the ones after it. False with one profile left.
bool removeCurrentProfile(const ProfileListView& list);

// Copies a whole record over the current entry, keeping the entry's index.
void replaceCurrentProfile(const ProfileListView& list, const uint8_t* record);

// Copies at most 15 bytes of a UTF-8 name into the record, never cutting a character, and pads
// the rest of those 15 bytes with NUL. Returns the number of bytes stored.
size_t storeProfileName(uint8_t* record, const char* utf8, size_t length);
