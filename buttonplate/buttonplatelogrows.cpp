#include "buttonplate/buttonplatelogrows.h"

QByteArray buttonPlateLogHeader() {
    return "Time,dt,x,y,x_raw,y_raw\r\n";
}

QByteArray buttonPlateLogRow(const TarnUsbBleButtonPlateJoystickUpdate& update, uint64_t timeMicros,
                             uint64_t dtMicros) {
    if (update.auxType != kAuxClutchRaw)
        return {};
    QByteArray row = QByteArray::number(qulonglong(timeMicros));
    for (const QByteArray& field :
         {QByteArray::number(qulonglong(dtMicros)), QByteArray::number(update.leftClutch),
          QByteArray::number(update.rightClutch), QByteArray::number(auxWord(update, 0)),
          QByteArray::number(auxWord(update, 1))})
        row += ',' + field;
    row += "\r\n";
    return row;
}
