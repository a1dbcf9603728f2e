#pragma once
// The button plate's profile files: the .tprf image with file type 1. The plate has only ever
// had this format.

#include "buttonplate/buttonplaterecords.h"
#include "profiles/profilesmanager.h"

class ButtonPlateProfilesManager : public ProfilesManager<TarnUsbBleButtonPlateProfile, 1> {
public:
    QString loadLegacyFile(QIODevice&, TarnUsbBleButtonPlateProfile&) override {
        return ProfileFileError::unknownFormat();
    }
};
