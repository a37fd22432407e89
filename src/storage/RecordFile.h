// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// File operations on record files (the recording file and the snapshot files). Every failure
// throws FileError with a message that names the file and the reason. Lines end in LF, CR LF or
// a lone CR when read and are written with CR LF; bytes are kept as they are (Latin-1).
namespace kurvomat::storage {

// Size a recording file may reach; a record that takes it beyond is the last one in it.
inline constexpr qint64 kRecordFileCap = 10'000'000;
// Lines that keepNewestLines leaves, so that the record appended next makes 100.
inline constexpr int kKeptLines = 99;

// Appends `line` (which carries its own line end) to the file, creating it when missing, and
// returns the file's length after it, measured on the open file (so a caller that shows the
// size need not look the file up again). Opens and closes the file within the call. A failed
// open or a short write throws; a short write may leave part of the line in the file.
qint64 appendLine(const QString &path, const QByteArray &line);

// When the file, `size` bytes long (as appendLine returned it), is larger than `cap` bytes,
// moves it to agedPath in one rename that replaces an older file there, and returns true: the
// next appendLine then starts a new file. Returns false, touching nothing, when it is not
// larger. Throws when the rename fails; both files then stay as they were.
bool moveAsideWhenFull(const QString &path, const QString &agedPath, qint64 size,
                       qint64 cap = kRecordFileCap);

// Rewrites the file with its newest kKeptLines lines in their order, less the empty ones: of the
// last 99 lines read, those that are not empty, each followed by CR LF. A file of fewer lines
// keeps all its non-empty lines; a missing file becomes an empty file. Empty lines count among
// the 99 even though they are not written.
// The new content is written beside the file and replaces it in one rename, so the recording is
// never lost: on any failure (unreadable file, folder not writable, disk full) the file stays
// exactly as it was and FileError is thrown.
void keepNewestLines(const QString &path);

// Replaces the file's content in one step: written beside it and renamed over it, so on any
// failure (folder not writable, disk full, a folder in the way) the old file stays exactly as
// it was. Throws FileError naming the file and the reason.
void replaceFile(const QString &path, const QByteArray &content);

// The first line of the file without its line end, Latin-1. "" when the file is missing or empty.
// Throws only for a file that exists but cannot be read.
[[nodiscard]] QString readFirstLine(const QString &path);

// Length of the file in bytes. Throws when the file is missing or is not a file.
[[nodiscard]] qint64 fileSize(const QString &path);

// Reads a file one line per call, for playback; the file stays open between calls.
class LineReader {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // Closes any open file, then opens `path` from its start. Returns false when the file does
    // not exist; throws when it exists but cannot be opened.
    bool open(const QString &path);
    // The next line without its line end, Latin-1; "" at the end of the file, at every call from
    // then on (and for an empty line). Throws when no file is open or reading fails.
    [[nodiscard]] QString readLine();
    // The next line without its line end, Latin-1, in `line`; false at the end of the file
    // (`line` then empty). Unlike readLine(), an empty line and the end differ. Throws as
    // readLine() does.
    [[nodiscard]] bool nextLine(QString &line);
    void close();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace kurvomat::storage
