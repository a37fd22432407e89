// Record file operations: appending, the size cap, keeping the newest lines without ever losing
// the file, reading the first line and reading line by line.
#include "core/Errors.h"
#include "storage/RecordFile.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include "support/Files.h"


using namespace kurvomat;
using namespace kurvomat::storage;

using namespace kurvomat::testing;

namespace {

// Lines "Lfirst" .. "Llast" (three digits at least), each with `end`.
QByteArray numberedLines(int first, int last, const QByteArray &end = "\r\n")
{
    QByteArray bytes;
    for (int i = first; i <= last; ++i)
        bytes += 'L' + QByteArray::number(i).rightJustified(3, '0') + end;
    return bytes;
}

QString messageOf(const FileError &e)
{
    return QString::fromStdString(e.what());
}

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void appendCreatesAndAppends();
    void appendFailures_data();
    void appendFailures();
    void appendShortWriteThrows();

    void sizeCapBoundary_data();
    void sizeCapBoundary();
    void sizeCapKeepsTheRecordThatCrossedIt();
    void sizeCapCannotRemoveAgedFile();

    void keepNewest_data();
    void keepNewest();
    void keepNewestMissingFileBecomesEmpty();
    void keepNewestLastLineRead_data();
    void keepNewestLastLineRead();
    void keepNewestLargeFile();
    void keepNewestThenAppendMakesHundred();
    void keepNewestReadOnlyFolderKeepsFile();
    void keepNewestFullDiskKeepsFile();
    void keepNewestUnreadableKeepsIt();

    void firstLine_data();
    void firstLine();
    void firstLineOfMissingFile();
    void firstLineOfFolderThrows();

    void lineReader_data();
    void lineReader();
    void lineReaderPlayback();

    void sizeOfFile();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRecordFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// ---- appending -----------------------------------------------------------------------------

void TestRecordFile::appendCreatesAndAppends()
{
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    appendLine(file, "first\r\n");
    QCOMPARE(readBytes(file), "first\r\n");
    appendLine(file, "second\r\n");
    QCOMPARE(readBytes(file), "first\r\nsecond\r\n");

    const QString partial = path(u"partial.txt"_qs);
    QVERIFY(writeBytes(partial, "no end \xe4"));
    appendLine(partial, "x\r\n");
    QCOMPARE(readBytes(partial), "no end \xe4x\r\n");
}

void TestRecordFile::appendFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("folder missing") << u"missing/AUSGABE_OSZI.txt"_qs;
    QTest::newRow("path is a folder") << u"folder"_qs;
}

void TestRecordFile::appendFailures()
{
    QFETCH(QString, name);
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_qs));
    const QString file = path(name);
    try {
        appendLine(file, "x\r\n");
        QFAIL("no FileError");
    } catch (const FileError &e) {
        QVERIFY2(messageOf(e).contains(file), e.what());
    }
}

void TestRecordFile::appendShortWriteThrows()
{
#ifdef Q_OS_UNIX
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY(writeBytes(file, QByteArray(90, 'a')));
    FileSizeLimit limit(100);
    QVERIFY(limit.active());
    QVERIFY_THROWS_EXCEPTION(FileError, appendLine(file, QByteArray(20, 'b')));
#else
    QSKIP("needs a per-process file size limit");
#endif
}

// ---- size cap ------------------------------------------------------------------------------

void TestRecordFile::sizeCapBoundary_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<bool>("moved");

    QTest::newRow("below the cap") << qint64(99) << qint64(100) << false;
    QTest::newRow("at the cap") << qint64(100) << qint64(100) << false;
    QTest::newRow("one byte past the cap") << qint64(101) << qint64(100) << true;
    QTest::newRow("empty file, cap 0") << qint64(0) << qint64(0) << false;
}

void TestRecordFile::sizeCapBoundary()
{
    QFETCH(qint64, size);
    QFETCH(qint64, cap);
    QFETCH(bool, moved);

    const QString live = path(u"AUSGABE_OSZI.txt"_qs);
    const QString aged = path(u"AUSGABE_OSZI_ALT.txt"_qs);
    const QByteArray content(size, 'r');
    QVERIFY(writeBytes(live, content));

    QCOMPARE(moveAsideWhenFull(live, aged, cap), moved);
    QCOMPARE(QFile::exists(live), !moved);
    QCOMPARE(QFile::exists(aged), moved);
    QCOMPARE(readBytes(moved ? aged : live), content);
}

void TestRecordFile::sizeCapKeepsTheRecordThatCrossedIt()
{
    const QString live = path(u"AUSGABE_OSZI.txt"_qs);
    const QString aged = path(u"AUSGABE_OSZI_ALT.txt"_qs);
    QVERIFY(writeBytes(aged, "an older aged file\r\n"));
    QVERIFY(!moveAsideWhenFull(path(u"missing.txt"_qs), aged));

    // 9,999,990 bytes, then records of 10 bytes: the first reaches 10,000,000 exactly and stays.
    const QByteArray body(9'999'990, 'x');
    QVERIFY(writeBytes(live, body));
    appendLine(live, "record 1\r\n");
    QCOMPARE(fileSize(live), qint64(10'000'000));
    QVERIFY(!moveAsideWhenFull(live, aged));
    QCOMPARE(readBytes(aged), "an older aged file\r\n");

    appendLine(live, "record 2\r\n");
    QVERIFY(moveAsideWhenFull(live, aged));
    QVERIFY(!QFile::exists(live));
    QCOMPARE(readBytes(aged), body + "record 1\r\nrecord 2\r\n");

    appendLine(live, "record 3\r\n");
    QCOMPARE(readBytes(live), "record 3\r\n");
    QVERIFY(!moveAsideWhenFull(live, aged));
    QCOMPARE(fileSize(aged), qint64(10'000'010));
}

void TestRecordFile::sizeCapCannotRemoveAgedFile()
{
    // A folder with content in the aged file's place cannot be removed as a file.
    const QString live = path(u"AUSGABE_OSZI.txt"_qs);
    const QString aged = path(u"AUSGABE_OSZI_ALT.txt"_qs);
    QVERIFY(QDir(m_dir->path()).mkpath(u"AUSGABE_OSZI_ALT.txt/inside"_qs));
    QVERIFY(writeBytes(live, QByteArray(200, 'r')));

    try {
        (void)moveAsideWhenFull(live, aged, 100);
        QFAIL("no FileError");
    } catch (const FileError &e) {
        QVERIFY2(messageOf(e).contains(aged), e.what());
    }
    QCOMPARE(readBytes(live), QByteArray(200, 'r'));
}

// ---- keeping the newest lines --------------------------------------------------------------

void TestRecordFile::keepNewest_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("150 lines keep the last 99") << numberedLines(1, 150) << numberedLines(52, 150);
    QTest::newRow("40 lines stay") << numberedLines(1, 40) << numberedLines(1, 40);
    QTest::newRow("99 lines stay") << numberedLines(1, 99) << numberedLines(1, 99);
    QTest::newRow("100 lines lose the oldest") << numberedLines(1, 100) << numberedLines(2, 100);
    QTest::newRow("101 lines") << numberedLines(1, 101) << numberedLines(3, 101);
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("empty lines are dropped")
        << QByteArray("a\r\n\r\nb\r\n\r\n\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty lines count among the 99")
        << numberedLines(1, 140) + QByteArray("\r\n").repeated(10) << numberedLines(52, 140);
    QTest::newRow("blanks are not empty") << QByteArray(" \r\n") << QByteArray(" \r\n");
    QTest::newRow("LF, CR LF and lone CR end lines; written back with CR LF")
        << QByteArray("a\nb\rc\r\nd") << QByteArray("a\r\nb\r\nc\r\nd\r\n");
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("150 LF-only lines") << numberedLines(1, 150, "\n") << numberedLines(52, 150);
    QTest::newRow("150 CR-only lines") << numberedLines(1, 150, "\r") << numberedLines(52, 150);
    QTest::newRow("Latin-1 and control bytes kept")
        << QByteArray("\xe4\xf6\xfc\xdf\xff\x01\x7f\r\n", 9)
        << QByteArray("\xe4\xf6\xfc\xdf\xff\x01\x7f\r\n", 9);
    QTest::newRow("NUL bytes kept") << QByteArray("a\0b\r\n", 5) << QByteArray("a\0b\r\n", 5);

    // 64 KiB is a multiple of every power-of-two read size up to it: a line end split there.
    const QByteArray longLine(65535, 'x');
    QTest::newRow("CR LF split at 64 KiB") << longLine + "\r\ntail\r\n"
                                           << longLine + "\r\ntail\r\n";
    QTest::newRow("lone CR at 64 KiB") << longLine + "\ry" << longLine + "\r\ny\r\n";
    QTest::newRow("CR as the last byte at 64 KiB") << longLine + "\r" << longLine + "\r\n";
    QTest::newRow("LF CR split at 64 KiB") << longLine + "\n\ry\r\n" << longLine + "\r\ny\r\n";
    QTest::newRow("line across 64 KiB")
        << QByteArray(200000, 'y') + "\r\nz" << QByteArray(200000, 'y') + "\r\nz\r\n";
}

void TestRecordFile::keepNewest()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);

    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY(writeBytes(file, content));
    keepNewestLines(file);
    QCOMPARE(readBytes(file), expected);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"AUSGABE_OSZI.txt"_qs});

    // Limiting again changes nothing: the result is a fixed point.
    keepNewestLines(file);
    QCOMPARE(readBytes(file), expected);
}

void TestRecordFile::keepNewestMissingFileBecomesEmpty()
{
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    keepNewestLines(file);
    QVERIFY(QFile::exists(file));
    QCOMPARE(fileSize(file), qint64(0));
}

void TestRecordFile::keepNewestLastLineRead_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("lastLine"); // "untouched" when no line is read

    QTest::newRow("150 lines") << true << numberedLines(1, 150) << u"L150"_qs;
    QTest::newRow("last line without end") << true << QByteArray("a\r\nb") << u"b"_qs;
    QTest::newRow("last line empty") << true << QByteArray("a\r\n\r\n") << QString(u""_qs);
    QTest::newRow("Latin-1") << true << QByteArray("\xe4\xb5\r\n") << u"\u00e4\u00b5"_qs;
    QTest::newRow("empty file") << true << QByteArray() << u"untouched"_qs;
    QTest::newRow("missing file") << false << QByteArray() << u"untouched"_qs;
}

void TestRecordFile::keepNewestLastLineRead()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, content);
    QFETCH(QString, lastLine);

    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    if (exists)
        QVERIFY(writeBytes(file, content));
    QString line = u"untouched"_qs;
    keepNewestLines(file, &line);
    QCOMPARE(line, lastLine);
}

void TestRecordFile::keepNewestLargeFile()
{
    // A recording from "on" mode near the size cap: 1700 records of 6 KB.
    QByteArray content;
    QByteArray expected;
    const QByteArray samples = QByteArray(" 255 #").repeated(1000);
    for (int i = 1; i <= 1700; ++i) {
        const QByteArray line =
            QByteArray::number(i).rightJustified(6, '0') + samples + "*****\r\n";
        content += line;
        if (i > 1700 - kKeptLines)
            expected += line;
    }
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY(writeBytes(file, content));
    keepNewestLines(file);
    QCOMPARE(readBytes(file), expected);
}

void TestRecordFile::keepNewestThenAppendMakesHundred()
{
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY(writeBytes(file, numberedLines(1, 500)));
    for (int frame = 501; frame <= 503; ++frame) {
        keepNewestLines(file);
        appendLine(file, numberedLines(frame, frame));
        QCOMPARE(readBytes(file), numberedLines(frame - 99, frame));
    }
}

void TestRecordFile::keepNewestReadOnlyFolderKeepsFile()
{
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    const QByteArray content = numberedLines(1, 150);
    QVERIFY(writeBytes(file, content));

    const QFileDevice::Permissions before = QFile::permissions(m_dir->path());
    const auto restore = qScopeGuard([&] { QFile::setPermissions(m_dir->path(), before); });
    QVERIFY(QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QFile probe(path(u"probe"_qs));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        QSKIP("folder permissions do not bind this user (root?); see keepNewestFullDiskKeepsFile");
    }

    try {
        keepNewestLines(file);
        QFAIL("no FileError");
    } catch (const FileError &e) {
        QVERIFY2(messageOf(e).contains(file), e.what());
    }
    QCOMPARE(readBytes(file), content);
}

void TestRecordFile::keepNewestFullDiskKeepsFile()
{
#ifdef Q_OS_UNIX
    // The old file (15,000 bytes) exists; the trimmed content (9,900 bytes) cannot be written.
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QByteArray content;
    for (int i = 1; i <= 150; ++i)
        content += numberedLines(i, i, QByteArray(94, 'p') + "\r\n");
    QCOMPARE(content.size(), 15000);
    QVERIFY(writeBytes(file, content));
    {
        FileSizeLimit limit(5000);
        QVERIFY(limit.active());
        QString lastLine;
        try {
            keepNewestLines(file, &lastLine);
            QFAIL("no FileError");
        } catch (const FileError &e) {
            QVERIFY2(messageOf(e).contains(file), e.what());
        }
        QCOMPARE(lastLine,
                 QString::fromLatin1(content.right(100).chopped(2))); // read before the failure
    }
    QCOMPARE(readBytes(file), content);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{u"AUSGABE_OSZI.txt"_qs});
#else
    QSKIP("needs a per-process file size limit");
#endif
}

void TestRecordFile::keepNewestUnreadableKeepsIt()
{
    // A folder in the file's place exists but cannot be read as a file.
    QVERIFY(QDir(m_dir->path()).mkpath(u"AUSGABE_OSZI.txt/inside"_qs));
    QVERIFY_THROWS_EXCEPTION(FileError, keepNewestLines(path(u"AUSGABE_OSZI.txt"_qs)));
    QVERIFY(QFileInfo(path(u"AUSGABE_OSZI.txt/inside"_qs)).isDir());

    // A file without read permission (not for root, who reads it anyway).
    const QString file = path(u"locked.txt"_qs);
    QVERIFY(writeBytes(file, numberedLines(1, 150)));
    QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
    QFile probe(file);
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("file permissions do not bind this user (root?)");
    QVERIFY_THROWS_EXCEPTION(FileError, keepNewestLines(file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readBytes(file), numberedLines(1, 150));
}

// ---- reading -------------------------------------------------------------------------------

void TestRecordFile::firstLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("line");

    QTest::newRow("empty file") << QByteArray() << QString();
    QTest::newRow("CR LF") << QByteArray("abc\r\ndef\r\n") << u"abc"_qs;
    QTest::newRow("LF") << QByteArray("abc\ndef") << u"abc"_qs;
    QTest::newRow("lone CR") << QByteArray("abc\rdef") << u"abc"_qs;
    QTest::newRow("no line end") << QByteArray("abc") << u"abc"_qs;
    QTest::newRow("empty first line") << QByteArray("\r\nabc\r\n") << QString();
    QTest::newRow("Latin-1") << QByteArray("\xe4\xf6\xfc\xdf\r\n")
                             << u"\u00e4\u00f6\u00fc\u00df"_qs;
    QTest::newRow("first line longer than 64 KiB")
        << QByteArray(70000, 'x') + "\r\nsecond" << QString(70000, u'x');
}

void TestRecordFile::firstLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, line);
    const QString file = path(u"AUSGABE_OSZI_A.txt"_qs);
    QVERIFY(writeBytes(file, content));
    QCOMPARE(readFirstLine(file), line);
}

void TestRecordFile::firstLineOfMissingFile()
{
    QCOMPARE(readFirstLine(path(u"AUSGABE_OSZI_A.txt"_qs)), QString());
    QCOMPARE(readFirstLine(path(u"missing/AUSGABE_OSZI_A.txt"_qs)), QString());
}

void TestRecordFile::firstLineOfFolderThrows()
{
    QVERIFY(QDir(m_dir->path()).mkdir(u"AUSGABE_OSZI_A.txt"_qs));
    const QString file = path(u"AUSGABE_OSZI_A.txt"_qs);
    try {
        (void)readFirstLine(file);
        QFAIL("no FileError");
    } catch (const FileError &e) {
        QVERIFY2(messageOf(e).contains(file), e.what());
    }
}

void TestRecordFile::lineReader_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("records") << QByteArray("one\r\ntwo\r\n") << QStringList{u"one"_qs, u"two"_qs};
    QTest::newRow("mixed line ends")
        << QByteArray("a\nb\rc\r\nd") << QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs};
    QTest::newRow("empty line in the middle")
        << QByteArray("a\r\n\r\nb\r\n") << QStringList{u"a"_qs, QString(), u"b"_qs};
    QTest::newRow("Latin-1") << QByteArray("\xb5\xe9\r\n") << QStringList{u"\u00b5\u00e9"_qs};
    const QByteArray longLine(65535, 'x');
    QTest::newRow("CR LF split at 64 KiB")
        << longLine + "\r\ntail" << QStringList{QString::fromLatin1(longLine), u"tail"_qs};
    QTest::newRow("CR LF split at 64 KiB, then the end") << longLine
            + "\r\n" << QStringList{QString::fromLatin1(longLine)};
    QTest::newRow("lone CR at 64 KiB, then an empty line") << longLine
            + "\r\r\n" << QStringList{QString::fromLatin1(longLine), QString()};
}

void TestRecordFile::lineReader()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY(writeBytes(file, content));

    LineReader reader;
    QVERIFY(reader.open(file));
    QStringList read;
    while (!reader.atEnd())
        read.append(reader.readLine());
    QCOMPARE(read, lines);
    QCOMPARE(reader.readLine(), QString());
    QVERIFY(reader.atEnd());
}

void TestRecordFile::lineReaderPlayback()
{
    const QString recording = path(u"AUSGABE_OSZI.txt"_qs);
    const QString snapshot = path(u"AUSGABE_OSZI_A.txt"_qs);
    QVERIFY(writeBytes(recording, "r1\r\nr2\r\n"));
    QVERIFY(writeBytes(snapshot, "s1\r\n"));

    LineReader reader;
    QVERIFY(!reader.isOpen());
    QVERIFY(reader.atEnd());
    QVERIFY_THROWS_EXCEPTION(FileError, (void)reader.readLine());

    QVERIFY(!reader.open(path(u"missing.txt"_qs)));
    QVERIFY(!reader.isOpen());

    QVERIFY(reader.open(recording));
    QVERIFY(reader.isOpen());
    QCOMPARE(reader.readLine(), u"r1"_qs);

    // Opening again starts from the first line; opening another file switches to it.
    QVERIFY(reader.open(recording));
    QCOMPARE(reader.readLine(), u"r1"_qs);
    QCOMPARE(reader.readLine(), u"r2"_qs);
    QCOMPARE(reader.readLine(), QString()); // the end: playback stops here
    QVERIFY(reader.isOpen());               // and the file stays open until closed
    QVERIFY(reader.open(snapshot));
    QCOMPARE(reader.readLine(), u"s1"_qs);

    reader.close();
    QVERIFY(!reader.isOpen());
    QVERIFY(reader.atEnd());
    QVERIFY_THROWS_EXCEPTION(FileError, (void)reader.readLine());
}

void TestRecordFile::sizeOfFile()
{
    const QString file = path(u"AUSGABE_OSZI.txt"_qs);
    QVERIFY_THROWS_EXCEPTION(FileError, (void)fileSize(file));
    QVERIFY(writeBytes(file, QByteArray(123456, 'r')));
    QCOMPARE(fileSize(file), qint64(123456));
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_qs));
    QVERIFY_THROWS_EXCEPTION(FileError, (void)fileSize(path(u"folder"_qs)));
}

QTEST_APPLESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
