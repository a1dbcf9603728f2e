// The games' rules file: the rules read from it, each fault with its line while the good rules
// still count, and writing edited rules back without losing the malformed sections or comments;
// and the Games tab's table that edits them.

#include "games/gamerules.h"
#include "games/gamerulesmodel.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kEdited = QStringLiteral(R"(# Games for tarn-config

# Sim racers
[ACC]
match = AC2-Win64-Shipping.exe
# the GT3 car
wheelbase = GT3
pedals = Hard brake

[Broken]
match = broken.exe
steering = 3

[Rally]
match = dirtrally2.exe
wheelbase = Rally

[NoMatch]
wheelbase = GT3

[Kept]
match = kept.exe
)");

} // namespace

class TestGameRules : public QObject {
    Q_OBJECT

private slots:
    // Each file holds one fault and the good rule B, which still counts.
    void malformed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString good = QStringLiteral("[B]\nmatch = b.exe\n");
        QTest::newRow("neither a section nor a key")
            << "[A]\nmatch = a.exe\nwheelbase GT3\n" + good
            << "games.ini, line 3: neither a [name], a key = value nor a comment";
        QTest::newRow("no match") << "[A]\n; only a profile\nwheelbase = GT3\n" + good
                                  << "games.ini, line 1: the game \"A\" has no match key";
        QTest::newRow("unknown key") << "[A]\nmatch = a.exe\nsteering = 3\n" + good
                                     << "games.ini, line 3: unknown key \"steering\"; the keys are "
                                        "match, wheelbase, pedals, buttonplate";
        QTest::newRow("key twice") << "[A]\nmatch = a.exe\nmatch = c.exe\n" + good
                                   << "games.ini, line 3: the key \"match\" is given twice";
        QTest::newRow("no value") << "[A]\nmatch = a.exe\npedals =\n" + good
                                  << "games.ini, line 3: the key \"pedals\" has no value";
        QTest::newRow("game twice, the first kept")
            << good + "[B]\nmatch = c.exe\n"
            << "games.ini, line 3: the game \"B\" has a section already, at line 1";
        QTest::newRow("text before the first game")
            << "# rules\nmatch = a.exe\n" + good
            << "games.ini, line 2: text before the first game's [name]";
        QTest::newRow("empty name")
            << "[ ]\nmatch = a.exe\n" + good << "games.ini, line 1: a game's [name] is empty";
    }

    void malformed() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        GameRulesFile file;
        file.parse(text);
        QCOMPARE(file.errors().size(), 1);
        QCOMPARE(gameRuleErrorText(file.errors()[0]), error);
        QCOMPARE(file.rules(), (QList<GameRule>{{"B", "b.exe", {}}}));
        QCOMPARE(file.text(), text);
    }

    // The good rules are replaced in the editor's order; the malformed sections follow the good
    // one above them that stays, and a kept game keeps its comments and its lines' places.
    void setRulesKeepsWhatItCannotRead() {
        GameRulesFile file;
        file.parse(kEdited);
        const GameRule acc{
            "ACC", "AC2-Win64-Shipping.exe", {{"wheelbase", "GT3"}, {"pedals", "Hard brake"}}};
        const GameRule kept{"Kept", "kept.exe", {}};
        QCOMPARE(
            file.rules(),
            (QList<GameRule>{acc, {"Rally", "dirtrally2.exe", {{"wheelbase", "Rally"}}}, kept}));
        QCOMPARE(file.errors().size(), 2);

        const QList<GameRule> edited{
            kept,
            {"ACC", "AC2-Win64-Shipping.exe", {{"wheelbase", "GT4"}, {"buttonplate", "GT"}}},
            {"New", "new.exe", {{"pedals", "Soft"}, {"wheelbase", ""}}}};
        file.setRules(edited);

        QCOMPARE(file.text(), QStringLiteral(R"(# Games for tarn-config

[Kept]
match = kept.exe

# Sim racers
[ACC]
match = AC2-Win64-Shipping.exe
# the GT3 car
wheelbase = GT4
buttonplate = GT

[Broken]
match = broken.exe
steering = 3

[NoMatch]
wheelbase = GT3

[New]
match = new.exe
pedals = Soft
)"));
        QList<GameRule> read = edited;
        read[2].profiles.remove("wheelbase");
        QCOMPARE(file.rules(), read);
        QCOMPARE(file.errors().size(), 2);
        const QString text = file.text();
        file.setRules(file.rules());
        QCOMPARE(file.text(), text);
    }

    // A missing file holds no rules; saving creates the configuration folder.
    void loadAndSave() {
        QTemporaryDir config;
        const QString path = config.filePath("tarn-config/games.ini");
        GameRulesFile file;
        file.parse(kEdited);
        QCOMPARE(file.load(path), QString());
        QVERIFY(file.rules().isEmpty());

        file.parse(kEdited);
        QCOMPARE(file.save(path), QString());
        GameRulesFile read;
        QCOMPARE(read.load(path), QString());
        QCOMPARE(read.text(), kEdited);
    }

    // The file is read again once its time of modification has changed, not after a write of
    // our own.
    void rulesChange() {
        QTemporaryDir config;
        const QString path = config.filePath("games.ini");
        const auto touch = [&path](qint64 seconds) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) &&
                   file.setFileTime(QDateTime::fromSecsSinceEpoch(seconds),
                                    QFileDevice::FileModificationTime);
        };
        GameRulesChange change;
        QVERIFY(change.changed(path) && !change.changed(path));
        QVERIFY(touch(1000));
        QVERIFY(change.changed(path) && !change.changed(path));
        QVERIFY(touch(2000));
        change.taken(path);
        QVERIFY(!change.changed(path));
    }

    // The Games tab's table: what each column shows, which edits it takes and refuses (an empty
    // or taken name, an empty process), and that every accepted change asks for the file to be
    // written.
    void edits_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("shown"); // the first row's cell afterwards

        QTest::newRow("rename") << 0 << " Dirt Rally " << true << "Dirt Rally";
        QTest::newRow("another game's name") << 0 << "ACC" << false << "Test";
        QTest::newRow("empty name") << 0 << " " << false << "Test";
        QTest::newRow("process") << 1 << "drt.exe" << true << "drt.exe";
        QTest::newRow("empty process") << 1 << "" << false << "test";
        QTest::newRow("wheel base profile") << 2 << "Rally" << true << "Rally";
        QTest::newRow("pedals profile cleared") << 3 << "" << true << "";
    }

    void edits() {
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(bool, taken);
        QFETCH(QString, shown);
        GameRulesModel model;
        model.setRules({{"Test", "test", {{"pedals", "Soft"}}}, {"ACC", "acc.exe", {}}});
        QSignalSpy edited(&model, &GameRulesModel::rulesEdited);
        QCOMPARE(model.setData(model.index(0, column), value), taken);
        QCOMPARE(model.data(model.index(0, column)).toString(), shown);
        QCOMPARE(edited.count(), taken ? 1 : 0);
        QCOMPARE(model.rules()[0].profiles.contains("pedals"), column != 3);
    }

    void addsAndRemoves() {
        GameRulesModel model;
        QSignalSpy edited(&model, &GameRulesModel::rulesEdited);
        QStringList headers;
        for (int column = 0; column < model.columnCount(); ++column)
            headers << model.headerData(column, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{"Game", "Process", "Wheel base", "Pedals", "Button plate"}));
        QCOMPARE(model.addRule("ACC", "AC2-Win64-Shipping.exe"), 0);
        QCOMPARE(model.addRule("ACC", "other.exe"), -1);
        QCOMPARE(model.addRule("Dirt", " "), -1);
        QCOMPARE(model.addRule("Dirt", "drt.exe"), 1);
        model.removeRule(0);
        model.removeRule(5);
        QCOMPARE(model.rules(), (QList<GameRule>{{"Dirt", "drt.exe", {}}}));
        QCOMPARE(edited.count(), 3);
    }
};

QTEST_GUILESS_MAIN(TestGameRules)
#include "tst_gamerules.moc"
