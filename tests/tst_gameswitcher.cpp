// The game switcher's rules, each one a script of events over two fake devices. The log holds, in
// order, each profile a device is told to make active ("wheel GT3"), each message, and at "show"
// what the switcher shows: the current game, then each device's profile and game.

#include "games/gameswitcher.h"
#include "games/gameswitchtarget.h"

#include <QtTest>

namespace {

const QMap<QString, QMap<QString, QString>> kGames = {
    {"ACC", {{"wheel", "GT3"}, {"pedals", "GT3"}}},
    {"Rally", {{"wheel", "Rally"}}},
    {"Drift", {{"wheel", "Drift"}}},
};

// A device whose owner reports every change of its active profile, the switcher's own included.
// Its name is its kind's too.
class FakeDevice : public GameSwitchTarget {
public:
    FakeDevice(const QString& name, GameSwitcher& switcher, QStringList& log)
        : name(name)
        , switcher(switcher)
        , log(log) {}

    QString kindName() const override { return name; }
    QString productName() const override { return name; }
    QStringList profileNames() const override { return {"Road", "GT3", "Rally", "Wet"}; }
    int activeProfile() const override { return active; }
    void activateProfile(int index) override {
        log.append(name + ' ' + profileNames().at(index));
        choose(index);
    }

    void choose(int index) {
        active = index;
        switcher.profileChosen(this, index);
    }

    const QString name;

private:
    GameSwitcher& switcher;
    QStringList& log;
    int active = 0;
};

QString shown(const GameSwitcher& switcher, const FakeDevice& device) {
    const GameSwitcher::DeviceSwitch at = switcher.deviceSwitch(&device);
    return at.profile.isEmpty() ? QStringLiteral("-") : at.profile + " for " + at.game;
}

} // namespace

class TestGameSwitcher : public QObject {
    Q_OBJECT

private slots:
    void rules_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("log");
        QTest::newRow("a start switches the kinds it names, the last end switches back")
            << "ready wheel, ready pedals, start Rally, show, end Rally, show"
            << "wheel Rally | wheel: profile \"Rally\" for Rally | "
               "Rally; wheel Rally for Rally; pedals - | "
               "wheel Road | wheel: back to profile \"Road\" | ; wheel -; pedals -";
        QTest::newRow("the last started wins, the one before it applies again after it, an "
                      "earlier game ending changes nothing")
            << "ready wheel, start ACC, start Rally, end Rally, start Rally, end ACC, end Rally"
            << "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Rally | wheel: profile \"Rally\" for Rally | "
               "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Rally | wheel: profile \"Rally\" for Rally | "
               "wheel Road | wheel: back to profile \"Road\"";
        QTest::newRow("the user's choice stays until a game starts or ends and is returned to")
            << "ready wheel, start ACC, user wheel Road, user wheel Wet, show, start Rally, "
               "end Rally, end ACC"
            << "wheel GT3 | wheel: profile \"GT3\" for ACC | ACC; wheel -; pedals - | "
               "wheel Rally | wheel: profile \"Rally\" for Rally | "
               "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Wet | wheel: back to profile \"Wet\"";
        QTest::newRow("a device ready during a game follows it, then returns to its own")
            << "start ACC, user wheel Wet, ready wheel, end ACC"
            << "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Wet | wheel: back to profile \"Wet\"";
        QTest::newRow("a missing profile is reported once for each start, the device left alone")
            << "ready wheel, start Drift, start ACC, end ACC, start Drift"
            << "wheel has no profile \"Drift\" for Drift | "
               "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Road | wheel: back to profile \"Road\" | "
               "wheel has no profile \"Drift\" for Drift";
        QTest::newRow("off switches back and nothing more, on switches to the running game")
            << "ready wheel, start ACC, off, start Rally, end Rally, on, end ACC"
            << "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Road | wheel: back to profile \"Road\" | "
               "wheel GT3 | wheel: profile \"GT3\" for ACC | "
               "wheel Road | wheel: back to profile \"Road\"";
        QTest::newRow("a device gone is forgotten") << "ready wheel, start ACC, gone wheel, end ACC"
                                                    << "wheel GT3 | wheel: profile \"GT3\" for ACC";
        QTest::newRow("the profile already active is not sent")
            << "user wheel GT3, ready wheel, start ACC, show, end ACC"
            << "ACC; wheel GT3 for ACC; pedals -";
    }

    void rules() {
        QFETCH(QString, script);
        QFETCH(QString, log);
        GameSwitcher switcher;
        QStringList seen;
        FakeDevice wheel("wheel", switcher, seen);
        FakeDevice pedals("pedals", switcher, seen);
        connect(&switcher, &GameSwitcher::switched, [&](const QString& text) { seen << text; });
        connect(&switcher, &GameSwitcher::problem, [&](const QString& text) { seen << text; });
        for (const QString& step : script.split(", ")) {
            const QStringList words = step.split(' ');
            const QString& verb = words[0];
            FakeDevice* device = words.value(1) == "wheel" ? &wheel : &pedals;
            if (verb == "start")
                switcher.gameStarted(words[1], kGames[words[1]]);
            else if (verb == "end")
                switcher.gameEnded(words[1]);
            else if (verb == "ready")
                switcher.deviceReady(device);
            else if (verb == "gone")
                switcher.deviceGone(device);
            else if (verb == "user")
                device->choose(device->profileNames().indexOf(words[2]));
            else if (verb == "off" || verb == "on")
                switcher.setEnabled(verb == "on");
            else
                seen << switcher.currentGame() + "; wheel " + shown(switcher, wheel) + "; pedals " +
                            shown(switcher, pedals);
        }
        QCOMPARE(seen.join(" | "), log);
    }
};

QTEST_GUILESS_MAIN(TestGameSwitcher)
#include "tst_gameswitcher.moc"
