// tarnctl watch: the running game's profiles on every device until interrupted.

#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/gameprofilewatch.h"
#include "ctl/output.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// How often the idle program looks for an interrupt: rarely, since it runs for hours.
constexpr int kInterruptLookMs = 250;

} // namespace

int watchGames(AttachedDevices& attached, const Arguments& arguments) {
    if (!arguments.operands.isEmpty())
        return fail(ExitStatus::Usage,
                    QStringLiteral("watch takes no arguments; see tarnctl watch --help"));
    GameProfileWatch watch(attached);
    watch.start();
    QEventLoop loop;
    QTimer interruptLook;
    QObject::connect(&interruptLook, &QTimer::timeout, &loop, [&loop] {
        if (wasInterrupted())
            loop.quit();
    });
    interruptLook.start(kInterruptLookMs);
    loop.exec();
    // The devices get their own profiles back before the program ends; a second interrupt
    // ends it at once.
    forgetInterrupt();
    if (!watch.stop(AttachedDevices::kAnswerTimeoutMs))
        return fail(ExitStatus::Failed,
                    QStringLiteral("a device did not take its own profile back"));
    return ExitStatus::Done;
}
