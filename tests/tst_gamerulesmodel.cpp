// The Games tab's table of rules: what each column shows, which edits it takes and refuses, and
// that every accepted change asks for the file to be written.

#include "games/gamerulesmodel.h"

#include <QSignalSpy>
#include <QtTest>

class TestGameRulesModel : public QObject {
    Q_OBJECT

private slots:
    void edits_data();
    void edits();
    void addsAndRemoves();
};

void TestGameRulesModel::edits_data() {
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

void TestGameRulesModel::edits() {
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

void TestGameRulesModel::addsAndRemoves() {
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

QTEST_MAIN(TestGameRulesModel)
#include "tst_gamerulesmodel.moc"
