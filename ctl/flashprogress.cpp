#include "ctl/flashprogress.h"

#include "firmware/usbdevicetarnbootloader.h"

#include <cmath>
#include <cstdio>

namespace {
constexpr qint64 kRedrawMs = 100;
} // namespace

QString flashProgressLine(int chunk, int chunks, qint64 elapsedMs) {
    const int percent = chunks > 0 ? int(qint64(chunk) * 100 / chunks) : 100;
    QString line = QStringLiteral("%1%  %2/%3 chunks").arg(percent, 3).arg(chunk).arg(chunks);
    if (chunk <= 0 || elapsedMs <= 0)
        return line;
    const double seconds = double(elapsedMs) / 1000.0;
    const double bytesPerSecond = double(chunk) * UsbDeviceTarnBootloader::kChunkSize / seconds;
    const qint64 leftSeconds = std::llround(double(chunks - chunk) * seconds / chunk);
    return line + QStringLiteral("  %1 KiB/s  %2:%3 left")
                      .arg(bytesPerSecond / 1024.0, 0, 'f', 1)
                      .arg(leftSeconds / 60)
                      .arg(leftSeconds % 60, 2, 10, QLatin1Char('0'));
}

void FlashProgress::start(int totalChunks) {
    chunks = totalChunks;
    lastTenth = 0;
    clock.start();
}

void FlashProgress::show(int chunk) {
    const qint64 elapsed = clock.elapsed();
    const QByteArray line = flashProgressLine(chunk, chunks, elapsed).toLocal8Bit();
    if (terminal) {
        // Drawing every chunk would cost more than sending it.
        if (chunk < chunks && lastDrawMs >= 0 && elapsed - lastDrawMs < kRedrawMs)
            return;
        lastDrawMs = elapsed;
        std::fprintf(stdout, "\r%s\033[K", line.constData());
        drawn = true;
    } else {
        const int tenth = chunks > 0 ? int(qint64(chunk) * 10 / chunks) : 10;
        if (tenth <= lastTenth)
            return;
        lastTenth = tenth;
        std::fprintf(stdout, "%s\n", line.constData());
    }
    std::fflush(stdout);
}

void FlashProgress::finish() {
    if (terminal && drawn)
        std::fprintf(stdout, "\n");
    drawn = false;
    std::fflush(stdout);
}
