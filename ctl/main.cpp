// tarnctl: the TARN devices' tasks from a terminal or a script. It takes the devices lock the
// window takes too, finds the attached devices and runs one command on them.

#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/helptexts.h"
#include "ctl/output.h"

#include <QCoreApplication>
#include <QMap>

namespace {

struct Command {
    int (*run)(AttachedDevices& attached, const Arguments& arguments);
    QStringList options;
    bool waitsForWindow = false;
};

const QMap<QString, Command>& commands() {
    static const QMap<QString, Command> table = {
        {QStringLiteral("list"), {listDevices, {QStringLiteral("--json")}}},
        {QStringLiteral("activate"), {activateProfile, {QStringLiteral("--save")}}},
        {QStringLiteral("backup"), {backUpProfiles, {}}},
        {QStringLiteral("restore"), {restoreProfiles, {QStringLiteral("--save")}}},
        {QStringLiteral("flash"), {flashFirmware, {}}},
        {QStringLiteral("watch"), {watchGames, {}, true}},
    };
    return table;
}

int run(const QStringList& words) {
    const QString name = words.value(0);
    if (name.isEmpty()) {
        printErrorLine(programHelp().trimmed());
        return ExitStatus::Usage;
    }
    if (name == QLatin1String("--help") || name == QLatin1String("help")) {
        printLine(programHelp().trimmed());
        return ExitStatus::Done;
    }
    if (name == QLatin1String("--version")) {
        printLine(versionText());
        return ExitStatus::Done;
    }
    const auto command = commands().constFind(name);
    if (command == commands().constEnd())
        return fail(ExitStatus::Usage,
                    QStringLiteral("unknown command \"%1\"; see tarnctl --help").arg(name));
    const QStringList rest = words.mid(1);
    if (rest.contains(QStringLiteral("--help"))) {
        printLine(commandHelp(name).trimmed());
        return ExitStatus::Done;
    }
    Arguments arguments;
    QString bad;
    if (!splitArguments(rest, command->options, arguments, bad))
        return fail(ExitStatus::Usage,
                    QStringLiteral("%1 has no option %2; see tarnctl %1 --help").arg(name, bad));

    AttachedDevices attached;
    // watch waits for a window to close; any other holder is another tarnctl.
    if (!attached.take() && !(command->waitsForWindow && WindowPresenceLock::isHeldByAWindow()))
        return fail(ExitStatus::InUse,
                    QStringLiteral("the devices are in use by %1; close it and try again")
                        .arg(attached.holderText()));
    catchInterrupt();
    return command->run(attached, arguments);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QStringList words = QCoreApplication::arguments();
    words.removeFirst();
    return run(words);
}
