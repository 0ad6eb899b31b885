#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <utility>

// The document information of a PDF file written by QPdfWriter (what viewers show as its
// properties), whose own setters stop at Title and Creator.
namespace PdfInfo {

// Passes a PDF's bytes on to a device as QPdfWriter writes them, in large blocks, keeping the
// file's head and tail, where QPdfWriter puts the information dictionary and the trailer.
class Recorder : public QIODevice {
public:
    explicit Recorder(QIODevice& target);
    bool isSequential() const override { return true; }
    // Passes on what is still held; false when a write to the target failed.
    bool finish();
    const QByteArray& head() const { return m_head; }
    const QByteArray& tail() const { return m_tail; }
    qint64 written() const { return m_written; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice& m_target;
    QByteArray m_block;
    bool m_failed = false;
    QByteArray m_head;
    QByteArray m_tail;
    qint64 m_written = 0;
};

// What to append to the recorded PDF to add entries such as Subject and Keywords: an
// incremental update replacing the dictionary with a copy holding the new entries too, the
// file's bytes staying as they are. Raises an Exception naming the path when the bytes are
// not such a PDF.
QByteArray update(const Recorder& pdf, const QString& path,
                  const QList<std::pair<QByteArray, QString>>& entries);

} // namespace PdfInfo
