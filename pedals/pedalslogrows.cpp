#include "pedals/pedalslogrows.h"

QByteArray pedalsLogHeader() {
    return "Time,dt,x,y,z,x_raw,y_raw,z_raw\r\n";
}

QByteArray pedalsLogRow(const TarnUsbPedalsJoystickUpdate& update, uint64_t timeMicros,
                        uint64_t dtMicros) {
    const TarnUsbPedalsDebugOutput& raw = update.debugOutput;
    QByteArray row = QByteArray::number(qulonglong(timeMicros));
    for (const QByteArray& field :
         {QByteArray::number(qulonglong(dtMicros)), QByteArray::number(update.clutch),
          QByteArray::number(update.brake), QByteArray::number(update.throttle),
          QByteArray::number(int32_t(raw.xRaw)), QByteArray::number(int32_t(raw.yRaw)),
          QByteArray::number(int32_t(raw.zRaw))})
        row += ',' + field;
    row += "\r\n";
    return row;
}
