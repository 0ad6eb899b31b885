#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

// Reads a CSV file record by record, as spreadsheets and the program's own export write it:
// UTF-8 (a byte-order mark skipped), fields separated by ';' when the first line holds one,
// else by ','; a field in double quotes may hold the separator, line breaks and doubled
// quotes. Memory stays that of one record whatever the file's size.
class CsvReader {
public:
    explicit CsvReader(QIODevice& device);

    struct Record {
        QStringList fields;
        int line = 0; // where the record starts, from 1
    };
    // The next record; false at the end. Raises an Exception naming the line of a quote that
    // is never closed.
    bool next(Record& record);
    // How far into the file reading is, in bytes.
    qint64 position() const { return m_device.pos(); }

private:
    QIODevice& m_device;
    QChar m_separator;
    int m_line = 0;
    bool m_first = true;
};
