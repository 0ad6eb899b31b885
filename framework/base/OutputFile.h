#pragma once

#include "base/CoreExport.h"

#include <QSaveFile>
#include <QStringList>

// A file the program writes for the user (a report, a copy of a definition), written whole or
// not at all: the bytes go to a temporary file beside the target, every write is checked,
// and the target is replaced only when everything was written; on any failure the target
// stays as it was. The path is checked first: a symbolic link writes the regular file it
// names (a loop of links is refused); a directory, a device or any other file that is not a
// regular one is refused, and so are the files the program must not overwrite: the open
// database, and any database file, SQLite or Firebird, known by its first bytes.
class KLX_CORE_EXPORT OutputFile {
public:
    // Raises an Exception, in Portuguese, when the path cannot be written.
    explicit OutputFile(const QString& path, const QStringList& untouchable = {});
    // Without commit() the temporary file is removed and the target is left alone.
    ~OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The file actually written: the path with its symbolic links resolved. Raises as the
    // constructor does.
    static QString target(const QString& path, const QStringList& untouchable = {});

    // The device the bytes go to, unbuffered; what it fails to write is caught by check()
    // and commit().
    QIODevice& device() { return m_file; }
    // Writes all the bytes to the device, however many writes it takes; false on a failure.
    static bool writeAll(QIODevice& device, const char* data, qint64 size);
    // Writes the bytes; raises when they could not all be written (a full disk).
    void write(const QByteArray& bytes);
    // Raises when a write to the device failed.
    void check() const;
    // Puts the file in place of the target; raises when it cannot.
    void commit();
    const QString& path() const { return m_path; }
    // Raises the failure to write the file, for the reason given (by default the device's).
    [[noreturn]] void fail(const QString& reason = QString()) const;

private:
    QString m_path;
    QSaveFile m_file;
};
