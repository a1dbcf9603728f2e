#pragma once
// Runs tarnctl (TARN_CTL_BINARY) as a process on the bus in TARN_HID_BUS, as a user would, with
// its safety copies going into `dataHome`.

#include <QProcess>
#include <QString>
#include <QStringList>

struct CtlRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline CtlRun runCtl(const QStringList& arguments, const QString& dataHome = QString()) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!dataHome.isEmpty())
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TARN_CTL_BINARY"), arguments);
    CtlRun run;
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(10000);
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
