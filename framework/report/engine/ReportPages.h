#pragma once

#include "report/engine/ReportBody.h"
#include "report/engine/ReportExport.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"
#include "report/engine/ReportPageStretch.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTemporaryFile>
#include <functional>
#include <memory>

// The pages of a laid-out report, however long, in bounded memory. The body goes to a
// temporary file as the layout hands it on; once the frame is known (where the body begins
// depends on the company names of all the rows) the body is paginated in one pass over the
// file, which leaves an index of where each page begins. Pages are then read back a stretch
// at a time, each line at its place.
//
// For a preview that shows the pages as they are laid out, the body can instead be cut into
// pages as it comes, under a provisional frame (the one the rows so far would give); the pages
// cut so far are then read back from any thread while the layout goes on, their footers
// leaving the page count out. At the end the pages stay as they were cut when the final frame
// begins the body at the same height, and are cut again otherwise.
class KLX_REPORT_EXPORT ReportPages : public ReportBodySink, public ReportPageSource {
public:
    // What the file keeps: the whole body, or only what paginating needs (the lines' heights,
    // the groups), for a report whose pages are only counted and never read back.
    enum class Contents { Whole, Heights };

    // The report's name for errors.
    explicit ReportPages(const QString& sourceName, Contents contents = Contents::Whole);
    ~ReportPages() override;
    ReportPages(const ReportPages&) = delete;
    ReportPages& operator=(const ReportPages&) = delete;

    void place(const QVector<ReportPiece>& pieces, double room) override;
    void openHeading(const QString& heading) override;
    void closeHeading() override;

    // Cuts the body into pages as it is placed, under the provisional frame; `frame` gives a
    // newer one (the columns as wide as the rows so far ask), asked a few times a second at
    // most, in the thread that places the body. Before the body's first line.
    void cutAsPlaced(const ReportFrame& provisional, std::function<ReportFrame()> frame);

    // What a report being laid out has so far, from any thread: the pages cut and whole, the
    // frame they are drawn in, and whether the report is finished.
    struct Progress {
        int pages = 0;
        ReportFrame frame;
        bool finished = false;
    };
    Progress progress() const;

    // The report's frame, its row count and the rows found inconsistent, once the body has all
    // been placed: paginates the body. Raises an Exception when a line cannot fit a page.
    void finish(const ReportFrame& frame, int rows, qint64 inconsistencies = 0);

    const ReportFrame& frame() const override { return m_frame; }
    int pageCount() const override { return static_cast<int>(m_starts.size()); }
    int rowCount() const { return m_rows; }
    qint64 inconsistencyCount() const { return m_inconsistencies; }
    // The pages first..last (from 0), read back from the file; none when only the heights
    // were kept. While the report is being laid out, only pages already whole, and their
    // count is left unknown (0).
    ReportPageStretch pages(int first, int last) const override;
    ReportPageStretch page(int page) const { return pages(page, page); }

private:
    // Where a page begins in the file, the groups it continues, the running total carried
    // into it, and whether it begins before the grand total (a page after it carries nothing).
    struct PageStart {
        qint64 offset;
        QStringList openHeadings;
        qint64 carried;
        bool carries;
    };

    // Where the pages break, from the records' heights as the file holds them.
    class Cutter;
    // Reads pages back from the records.
    class PageReader;

    void flush();
    // The bytes from..to of the body, from the file and what is still held; the caller holds
    // m_reading.
    QByteArray read(qint64 from, qint64 to) const;
    void placeRecord(const QVector<ReportPiece>& pieces, double room);

    QString m_sourceName;
    Contents m_contents;
    // Read back under the mutex.
    mutable QTemporaryFile m_file;
    mutable QMutex m_reading;
    QByteArray m_buffer;
    qint64 m_written = 0;
    // The file is written in blocks that end where a record ends.
    QVector<qint64> m_blockEnds;
    ReportFrame m_frame;
    int m_rows = 0;
    qint64 m_inconsistencies = 0;
    QVector<PageStart> m_starts;
    // Cutting the pages as the body comes: the cutter, the frame it cuts under and the newer
    // one shown meanwhile, and when that was last asked for.
    std::unique_ptr<Cutter> m_cutter;
    double m_cutTop = 0;
    std::function<ReportFrame()> m_provisional;
    ReportFrame m_shownFrame;
    QElapsedTimer m_sinceFrame;
    bool m_finished = false;
};
