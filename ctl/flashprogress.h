#pragma once
// The progress of a firmware transfer on standard output: on a terminal one line redrawn in
// place, elsewhere (a log, a pipe) a line at every tenth of the way.

#include <QElapsedTimer>
#include <QString>

// "  42%  13762/32767 chunks  38.2 KiB/s  0:12 left" after `elapsedMs` of the transfer.
QString flashProgressLine(int chunk, int chunks, qint64 elapsedMs);

class FlashProgress {
public:
    explicit FlashProgress(bool terminal)
        : terminal(terminal) {}

    void start(int totalChunks);
    void show(int chunk);
    // Ends the redrawn line, so that what follows starts on a line of its own.
    void finish();

private:
    bool terminal;
    int chunks = 0;
    int lastTenth = 0;
    qint64 lastDrawMs = -1;
    bool drawn = false;
    QElapsedTimer clock;
};
