// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/RecordFile.h"

#include "core/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kurvomat::storage {

namespace {

[[noreturn]] void fail(const QString &what, const QString &path, const QString &reason)
{
    throw FileError(QStringLiteral("%1 \"%2\": %3").arg(what, path, reason).toStdString());
}

// Splits the bytes of an open file into lines. A line ends at LF, at CR LF or at a lone CR; the
// end is not part of the line. Bytes between two ends form a line even when there are none (an
// empty line); bytes after the last end form a last line. Reads in chunks, so neither a long
// file nor a long line costs more than linear time, and only the line asked for is kept.
class LineSplitter {
public:
    LineSplitter(QFile &file, const QString &path) : m_file(file), m_path(path) { }

    // Puts the next line into `line`. False when the file holds no further line.
    bool next(QByteArray &line)
    {
        line.resize(0);
        bool any = false;
        for (;;) {
            if (!skipPendingLf())
                return any;
            any = true;
            const qsizetype end = lineEnd();
            line.append(m_buffer.get() + m_pos, end - m_pos);
            if (end == m_size) { // the line goes on in the next chunk
                m_pos = end;
                continue;
            }
            m_lfMayFollow = m_buffer[end] == '\r';
            m_pos = end + 1;
            return true;
        }
    }

private:
    static constexpr qsizetype kChunk = 64 * 1024;

    // Makes a byte available at m_pos, first dropping the LF of a CR LF whose CR ended the last
    // line (it may sit at the start of the next chunk). False at the end of the file.
    bool skipPendingLf()
    {
        for (;;) {
            if (m_pos == m_size && !fill())
                return false;
            if (m_lfMayFollow) {
                m_lfMayFollow = false;
                if (m_buffer[m_pos] == '\n') {
                    ++m_pos;
                    continue;
                }
            }
            return true;
        }
    }

    bool fill()
    {
        if (!m_buffer)
            m_buffer = std::make_unique<char[]>(kChunk);
        const qint64 got = m_file.read(m_buffer.get(), kChunk);
        if (got < 0)
            fail(QStringLiteral("cannot read"), m_path, m_file.errorString());
        m_size = static_cast<qsizetype>(got);
        m_pos = 0;
        m_nextCr = m_nextLf = -1;
        return m_size > 0;
    }

    // Index of the first CR or LF at or after m_pos, m_size when the chunk has none. The next
    // positions of both are remembered, so a chunk of many short LF-only lines is still searched
    // once, not once per line.
    qsizetype lineEnd() { return std::min(nextOf('\r', m_nextCr), nextOf('\n', m_nextLf)); }

    qsizetype nextOf(char c, qsizetype &cached)
    {
        if (cached < m_pos) {
            const void *hit =
                std::memchr(m_buffer.get() + m_pos, c, static_cast<std::size_t>(m_size - m_pos));
            cached = hit ? static_cast<const char *>(hit) - m_buffer.get() : m_size;
        }
        return cached;
    }

    QFile &m_file;
    QString m_path;
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_size = 0;
    qsizetype m_pos = 0;
    qsizetype m_nextCr = -1;
    qsizetype m_nextLf = -1;
    bool m_lfMayFollow = false;
};

void openForReading(QFile &file, const QString &path)
{
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot open for reading"), path, file.errorString());
}

} // namespace

qint64 appendLine(const QString &path, const QByteArray &line)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        fail(QStringLiteral("cannot open for appending"), path, file.errorString());
    const qint64 written = file.write(line);
    if (written != line.size())
        fail(QStringLiteral("cannot write to"), path,
             written < 0
                 ? file.errorString()
                 : QStringLiteral("only %1 of %2 bytes written").arg(written).arg(line.size()));
    const qint64 size = file.size();
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("cannot close"), path, file.errorString());
    return size;
}

bool moveAsideWhenFull(const QString &path, const QString &agedPath, qint64 size, qint64 cap)
{
    if (size <= cap)
        return false;
    // One rename replaces the older generation (QFile::rename refuses an existing target, and
    // removing it first would lose it when the rename then fails): at every moment either the
    // older or the newer generation is there.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(path.toStdU16String()),
                            std::filesystem::path(agedPath.toStdU16String()), error);
    if (error)
        fail(QStringLiteral("cannot rename to \"%1\"").arg(agedPath), path,
             QString::fromLocal8Bit(error.message()));
    return true;
}

void keepNewestLines(const QString &path)
{
    // Ring of the last kKeptLines lines read; `next` is the slot of the oldest once it is full.
    std::array<QByteArray, kKeptLines> kept;
    int next = 0;
    int read = 0;
    {
        QFile in(path);
        if (in.exists()) {
            openForReading(in, path);
            LineSplitter lines(in, path);
            QByteArray line;
            while (lines.next(line)) {
                std::swap(kept[static_cast<std::size_t>(next)], line);
                next = (next + 1) % kKeptLines;
                read = std::min(read + 1, kKeptLines);
            }
        }
    } // closed before the new content replaces it (a file still open cannot be replaced everywhere)

    const int first = read < kKeptLines ? 0 : next;
    qsizetype total = 0;
    for (const QByteArray &line : kept)
        total += line.isEmpty() ? 0 : line.size() + 2;
    QByteArray content;
    content.reserve(total);
    for (int i = 0; i < read; ++i) {
        const QByteArray &line = kept[static_cast<std::size_t>((first + i) % kKeptLines)];
        if (line.isEmpty())
            continue;
        content.append(line);
        content.append("\r\n", 2);
    }

    replaceFile(path, content);
}

void replaceFile(const QString &path, const QByteArray &content)
{
    // QSaveFile writes beside the file and renames over it at commit; without the direct-write
    // fallback (off by default) a folder that allows no new file makes it fail instead of
    // overwriting in place. Unbuffered on purpose: through the write buffer a short write (disk
    // full) is reported as complete and commit() then replaces the file with a truncated one
    // (seen with Qt 6.4). Written directly, write() returns the true count.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("cannot write"), path, out.errorString());
    const qint64 written = out.write(content);
    if (written != content.size()) {
        const QString reason = written < 0
            ? out.errorString()
            : QStringLiteral("only %1 of %2 bytes written").arg(written).arg(content.size());
        out.cancelWriting();
        fail(QStringLiteral("cannot write"), path, reason);
    }
    if (!out.commit())
        fail(QStringLiteral("cannot write"), path, out.errorString());
}

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    openForReading(file, path);
    LineSplitter lines(file, path);
    QByteArray line;
    lines.next(line);
    return QString::fromLatin1(line);
}

qint64 fileSize(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("cannot measure"), path, QStringLiteral("file does not exist"));
    if (!info.isFile())
        fail(QStringLiteral("cannot measure"), path, QStringLiteral("not a file"));
    return info.size();
}

struct LineReader::State {
    explicit State(const QString &path)
        : file(path)
        , lines(file, path)
    {
    }
    QFile file;
    LineSplitter lines;
};

LineReader::LineReader() = default;
LineReader::~LineReader() = default;

bool LineReader::open(const QString &path)
{
    close();
    auto state = std::make_unique<State>(path);
    if (!state->file.exists())
        return false;
    openForReading(state->file, path);
    m_state = std::move(state);
    return true;
}

QString LineReader::readLine()
{
    QString line;
    (void)nextLine(line);
    return line;
}

bool LineReader::nextLine(QString &line)
{
    if (!m_state)
        throw FileError("cannot read a line: no file is open");
    QByteArray bytes;
    const bool found = m_state->lines.next(bytes);
    line = QString::fromLatin1(bytes);
    return found;
}

void LineReader::close()
{
    m_state.reset();
}

} // namespace kurvomat::storage
