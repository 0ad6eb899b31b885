#pragma once

#include "report/engine/ReportBody.h"
#include "report/engine/ReportDocument.h"

#include <QMutex>
#include <QTemporaryFile>
#include <memory>
#include <optional>

// The pages of a laid-out report, however long, in bounded memory: the body goes to a
// temporary file as the layout hands it on, with an index of where each page begins, and is
// read back a stretch of pages at a time. Where the body begins on a page depends on the
// header, which is known only at the end (the companies of all the rows): the pages are
// counted for every place the body may begin, and the one that holds is kept.
class ReportPages : public ReportBodySink {
public:
    // The places the body may begin; the pages' bottom; the report's name for errors. Without
    // keep, the pages are only counted (nothing can be read back).
    ReportPages(const QList<double>& bodyTops, double bottom, const QString& sourceName,
                bool keep = true);
    ~ReportPages() override;
    ReportPages(const ReportPages&) = delete;
    ReportPages& operator=(const ReportPages&) = delete;

    void place(const QVector<ReportPiece>& pieces, double room) override;
    void openHeading(const QString& heading) override;
    void closeHeading() override;

    // The report's header and columns, the body beginning at one of the places given, and its
    // row count: the pages for that place hold. Raises the layout error of that place.
    void finish(const ReportDocument& frame, int rows);

    const ReportDocument& frame() const { return m_frame; }
    int pageCount() const;
    int rowCount() const { return m_rows; }
    // The pages first..last (from 0) as one document, read back from the file.
    ReportDocument pages(int first, int last) const;
    ReportDocument page(int page) const { return pages(page, page); }
    // The whole report as one document: for short reports.
    ReportDocument document() const { return pages(0, pageCount() - 1); }

private:
    // Where a page begins in the file, and the groups it continues.
    struct PageStart {
        qint64 offset;
        QStringList openHeadings;
    };
    // The pages as they fall for one place of the body.
    struct Layout;

    void flush();
    QByteArray read(qint64 from, qint64 to) const;

    QString m_sourceName;
    std::vector<std::unique_ptr<Layout>> m_layouts;
    Layout* m_chosen = nullptr;
    // Read back under the mutex.
    mutable std::optional<QTemporaryFile> m_file;
    QByteArray m_buffer;
    qint64 m_written = 0;
    QByteArray m_piecesOut;
    ReportDocument m_frame;
    int m_rows = 0;
    mutable QMutex m_reading;
};
