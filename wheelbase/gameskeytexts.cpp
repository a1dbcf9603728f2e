#include "wheelbase/gameskeytexts.h"

#include <QCoreApplication>

namespace {

// The window's context: the form carries the row's first texts under it.
QString tr(const char* text) {
    return QCoreApplication::translate("TARN_wheel_tool", text);
}

} // namespace

GamesKeyRowTexts gamesKeyRowTexts(bool present) {
    if (present)
        return {tr("Games compatibility registry key present"), tr("Uninstall")};
    return {tr("Games compatibility registry key NOT present"), tr("Install")};
}

GamesKeyMessage gamesKeyMessage(GamesKeyOutcome outcome) {
    const QString title = tr("Games Compatibility Key");
    switch (outcome) {
    case GamesKeyOutcome::Installed:
        return {false, title, tr("Games Compatibility Key was installed")};
    case GamesKeyOutcome::NotInstalled:
        return {true, title, tr("Games Compatibility Key was NOT installed")};
    case GamesKeyOutcome::Uninstalled:
        return {false, title, tr("Games Compatibility Key was uninstalled")};
    case GamesKeyOutcome::NotUninstalled:
        break;
    }
    return {true, title, tr("Games Compatibility Key was NOT uninstalled")};
}
