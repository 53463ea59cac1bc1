// The one reader of little-endian fields: right values inside the bytes, zero for anything that
// reaches outside them, however far.

#include <picture/littleendian.h>

#include <QTest>

#include <limits>

using picture::LittleEndianReader;

class LittleEndianTest : public QObject {
    Q_OBJECT

private slots:
    void read_fieldsInside_giveTheirValues()
    {
        const QByteArray bytes("\x01\x02\x03\x04\xFE\xFF", 6);
        const LittleEndianReader in(bytes);
        QCOMPARE(in.u8(1), quint8(2));
        QCOMPARE(in.u16(0), quint16(0x0201));
        QCOMPARE(in.u32(0), quint32(0x04030201));
        QCOMPARE(in.s16(4), qint16(-2));
        QCOMPARE(in.s32(2), qint32(0xFFFE0403));
    }

    void read_fieldsReachingOutside_giveZero()
    {
        const QByteArray bytes(8, '\xFF');
        const LittleEndianReader in(bytes.constData(), 6); // the last two bytes are not ours
        QCOMPARE(in.u16(4), quint16(0xFFFF));
        QCOMPARE(in.u16(5), quint16(0));
        QCOMPARE(in.u32(3), quint32(0));
        QCOMPARE(in.u8(6), quint8(0));
        QCOMPARE(in.u8(-1), quint8(0));
        QCOMPARE(in.u32(std::numeric_limits<qsizetype>::max() - 1), quint32(0));
        QCOMPARE(in.u32(std::numeric_limits<qsizetype>::min()), quint32(0));
        QCOMPARE(LittleEndianReader().u8(0), quint8(0));
    }

    void from_offsetOrPointer_keepsTheRestOnly()
    {
        const QByteArray bytes("\x01\x02\x03\x04", 4);
        const LittleEndianReader in(bytes);
        QCOMPARE(in.from(2).u16(0), quint16(0x0403));
        QCOMPARE(in.from(2).u16(1), quint16(0));
        QCOMPARE(in.from(bytes.constData() + 1).size(), 3);
        QCOMPARE(in.from(4).size(), 0);
        QCOMPARE(in.from(5).size(), 0);
        QCOMPARE(in.from(bytes.constData() + 5).size(), 0);
        QCOMPARE(in.from(nullptr).size(), 0);
    }

    void writeU32_pastTheEnd_writesNothing()
    {
        QByteArray bytes(6, '\0');
        picture::writeU32(bytes, 2, 0x04030201);
        QCOMPARE(bytes, QByteArray("\0\0\x01\x02\x03\x04", 6));
        picture::writeU32(bytes, 3, 0xFFFFFFFF);
        picture::writeU32(bytes, -1, 0xFFFFFFFF);
        QCOMPARE(bytes, QByteArray("\0\0\x01\x02\x03\x04", 6));
    }
};

QTEST_APPLESS_MAIN(LittleEndianTest)
#include "tst_littleendian.moc"
