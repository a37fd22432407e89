// SPDX-License-Identifier: GPL-3.0-or-later
// Record files: keeping the newest lines, moving a full file aside, reading lines back.
// Appending and the size cap are checked through the window (tst_recording).
#include "core/Errors.h"
#include "storage/RecordFile.h"
#include "support/Files.h"

#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace kurvomat::storage;
using namespace kurvomat::testing;

static QByteArray lines(int first, int last)
{
    QByteArray bytes;
    for (int i = first; i <= last; ++i)
        bytes += 'L' + QByteArray::number(i).rightJustified(3, '0') + "\r\n";
    return bytes;
}

class TestRecordFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_test = 0;
    QString m_file; // a new name for every test

private slots:
    void init() { m_file = m_dir.filePath(u"AUSGABE_OSZI_%1.txt"_qs.arg(++m_test)); }

    void keepNewest_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty lines count among the 99")
            << lines(1, 140) + QByteArray("\r\n").repeated(10) << lines(52, 140);
        QTest::newRow("LF, CR, CR LF, empty lines dropped")
            << QByteArray("\r\nL001\n\r\nL002\rL003") << lines(1, 3);
        QTest::newRow("missing file becomes empty") << QByteArray() << QByteArray("");
    }
    void keepNewest()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        QVERIFY(content.isNull() || writeBytes(m_file, content));
        keepNewestLines(m_file);
        QCOMPARE(readBytes(m_file), expected);
    }

    // A move that fails keeps both generations: the full file where it was, the older one
    // aside. With the older generation on another file system the rename fails where removing
    // it first would have worked (and lost it).
    void failedMoveKeepsBothGenerations()
    {
        QTemporaryDir elsewhere(u"/dev/shm/kurvomat-XXXXXX"_qs);
        if (!elsewhere.isValid()
            || QStorageInfo(elsewhere.path()).rootPath() == QStorageInfo(m_dir.path()).rootPath())
            QSKIP("no second file system at /dev/shm");
        const QString aged = elsewhere.filePath(u"alt"_qs);
        const QByteArray full(10'000'001, 'r');
        QVERIFY(writeBytes(aged, "older") && writeBytes(m_file, full));
        QVERIFY_THROWS_EXCEPTION(kurvomat::FileError, moveAsideWhenFull(m_file, aged));
        QCOMPARE(readBytes(m_file), full);
        QCOMPARE(readBytes(aged), QByteArray("older"));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        const QString longLine(65535, u'x');
        QTest::newRow("empty file") << QByteArray("") << QStringList{};
        QTest::newRow("lone CR, LF, empty, Latin-1") << QByteArray("a\rb\n\r\n\xb5")
            << QStringList{u"a"_qs, u"b"_qs, QString(), u"\u00b5"_qs};
        QTest::newRow("CR LF split at 64 KiB")
            << longLine.toLatin1() + "\r\ny\r\n" << QStringList{longLine, u"y"_qs};
    }
    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QCOMPARE(readFirstLine(m_file), QString()); // missing
        QVERIFY(writeBytes(m_file, content));
        QCOMPARE(readFirstLine(m_file), lines.value(0));
        LineReader reader;
        QVERIFY(reader.open(m_file));
        for (const QString &line : lines) // one line per call
            QCOMPARE(reader.readLine(), line);
        QCOMPARE(reader.readLine(), QString()); // "" at the end,
        QCOMPARE(reader.readLine(), QString()); // and at every call after it: nothing left over
    }
};

QTEST_APPLESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
