#pragma once
// The profiles manager of each device kind, with the file type it writes and the older format
// it still reads.

#include "buttonplate/buttonplaterecords.h"
#include "pedals/pedalsrecords.h"
#include "profiles/profilesmanager.h"
#include "wheelbase/wheelbaserecords.h"

class WheelBaseProfilesManager : public ProfilesManager<TarnUsbWheelBaseProfileV5, 4> {
public:
    // 47 bytes: the first 43 of the current record, then their checksum.
    QString loadLegacyFile(QIODevice& file, TarnUsbWheelBaseProfileV5& profile) override;
};

class PedalsProfilesManager : public ProfilesManager<TarnUsbPedalsProfileV2, 2> {
public:
    // 45 bytes: the older 41-byte record, then its checksum.
    QString loadLegacyFile(QIODevice& file, TarnUsbPedalsProfileV2& profile) override;
};

class ButtonPlateProfilesManager : public ProfilesManager<TarnUsbBleButtonPlateProfile, 1> {
public:
    // The button plate has only ever had the current format.
    QString loadLegacyFile(QIODevice& file, TarnUsbBleButtonPlateProfile& profile) override;
};
