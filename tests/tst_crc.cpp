// The word-wise CRC shared by profile files and firmware chunks, against values computed with
// the CRC-32/MPEG-2 parameters applied to each little-endian word.

#include "profiles/crc.h"

#include <QtTest>

class TestCrc : public QObject {
    Q_OBJECT

private slots:
    void referenceValues_data();
    void referenceValues();
    void bytesBeyondTheLastWordAreNotCovered();
};

void TestCrc::referenceValues_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<uint>("crc");
    QByteArray counting;
    for (int i = 0; i < 32; ++i)
        counting.append(char(i));
    QTest::newRow("one zero word") << QByteArray(4, '\0') << 0xC704DD7Bu;
    QTest::newRow("abcd") << QByteArray("abcd") << 0xA62F1C36u;
    QTest::newRow("32 zero bytes") << QByteArray(32, '\0') << 0x4A55AF67u;
    QTest::newRow("bytes 0x00..0x1F") << counting << 0x63699701u;
    QTest::newRow("no bytes") << QByteArray() << 0xFFFFFFFFu;
    QTest::newRow("three bytes") << QByteArray("abc") << 0xFFFFFFFFu;
}

void TestCrc::referenceValues() {
    QFETCH(QByteArray, data);
    QFETCH(uint, crc);
    QCOMPARE(tarnCrc32(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())),
             uint32_t(crc));
}

void TestCrc::bytesBeyondTheLastWordAreNotCovered() {
    const uint8_t data[] = {'a', 'b', 'c', 'd', 0x5A, 0xA5, 0xFF};
    for (size_t length = 4; length <= sizeof data; ++length)
        QCOMPARE(tarnCrc32(data, length), 0xA62F1C36u);
}

QTEST_APPLESS_MAIN(TestCrc)
#include "tst_crc.moc"
