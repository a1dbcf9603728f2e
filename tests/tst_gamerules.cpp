// The games' rules file: the rules read from it, each fault with its line while the good rules
// still count, and writing edited rules back without losing the malformed sections or comments;
// and the Games tab's table that edits them.

#include "games/gamerules.h"
#include "games/gamerulesmodel.h"

#include <QSignalSpy>
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
    void malformed_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("games");
        const QString good = QStringLiteral("\n[B]\nmatch = b.exe\n");
        QTest::newRow("neither a section nor a key")
            << "[A]\nmatch = a.exe\nwheelbase GT3\n" + good
            << "games.ini, line 3: neither a [name], a key = value nor a comment"
            << QStringList{"B"};
        QTest::newRow("no match") << "[A]\n; only a profile\nwheelbase = GT3\n" + good
                                  << "games.ini, line 1: the game \"A\" has no match key"
                                  << QStringList{"B"};
        QTest::newRow("unknown key")
            << "[A]\nmatch = a.exe\nsteering = 3\n" + good
            << "games.ini, line 3: unknown key \"steering\"; the keys are match, wheelbase, "
               "pedals, buttonplate"
            << QStringList{"B"};
        QTest::newRow("key twice")
            << "[A]\nmatch = a.exe\nmatch = c.exe\n" + good
            << "games.ini, line 3: the key \"match\" is given twice" << QStringList{"B"};
        QTest::newRow("no value") << "[A]\nmatch = a.exe\npedals =\n" + good
                                  << "games.ini, line 3: the key \"pedals\" has no value"
                                  << QStringList{"B"};
        QTest::newRow("game twice")
            << "[A]\nmatch = a.exe\n" + good + "[A]\nmatch = c.exe\n"
            << "games.ini, line 6: the game \"A\" has a section already, at line 1"
            << QStringList{"A", "B"};
        QTest::newRow("text before the first game")
            << "# rules\nmatch = a.exe\n" + good
            << "games.ini, line 2: text before the first game's [name]" << QStringList{"B"};
        QTest::newRow("empty name")
            << "[ ]\nmatch = a.exe\n" + good << "games.ini, line 1: a game's [name] is empty"
            << QStringList{"B"};
    }

    void malformed() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(QStringList, games);
        GameRulesFile file;
        file.parse(text);
        QCOMPARE(file.errors().size(), 1);
        QCOMPARE(gameRuleErrorText(file.errors()[0]), error);
        QStringList names;
        for (const GameRule& rule : file.rules())
            names << rule.name;
        QCOMPARE(names, games);
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
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QCOMPARE(gameRulesPath(), config.filePath("tarn-config/games.ini"));
        GameRulesFile file;
        file.parse(kEdited);
        QCOMPARE(file.load(gameRulesPath()), QString());
        QVERIFY(file.rules().isEmpty());

        file.parse(kEdited);
        QCOMPARE(file.save(gameRulesPath()), QString());
        GameRulesFile read;
        QCOMPARE(read.load(gameRulesPath()), QString());
        QCOMPARE(read.text(), kEdited);
        QCOMPARE(read.rules(), file.rules());
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
        QCOMPARE(model.columnCount(), 5);
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
