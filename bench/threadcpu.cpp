#include "bench/threadcpu.h"

#include <QDir>
#include <QString>

#include <fstream>

int64_t threadCpuNanos(const std::string& tid) {
    std::ifstream schedstat("/proc/self/task/" + tid + "/schedstat");
    int64_t onCpu = 0;
    schedstat >> onCpu;
    return onCpu;
}

std::string readerThreadId() {
    for (const QString& tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        std::ifstream comm("/proc/self/task/" + tid.toStdString() + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("UsbManagerRead", 0) == 0)
            return tid.toStdString();
    }
    return {};
}
