#pragma once

#include "report/engine/ReportBody.h"

#include <QStringList>

// Places the lines of a report's body on pages. Lines placed together stay on one page; a
// new page repeats the headings of the groups still open, marked "(continuação)". Every line
// lands inside the page's body: what cannot fit even on a new page is a layout error. Given a
// document, it fills its pages with the lines and what they show; without one it only counts.
class ReportPaginator : public ReportBodySink {
public:
    // The body runs from bodyTop to bottom; sourceName names the report in errors.
    ReportPaginator(double bodyTop, double bottom, const QString& sourceName,
                    ReportDocument* document = nullptr);

    // Begins a page that continues the groups whose headings are open.
    void beginPage(const QStringList& openHeadings);
    // Whether placing the pieces begins a new page.
    bool breaksBefore(const QVector<ReportPiece>& pieces, double room) const;
    // Places the pieces on one page with room below them on the same page for what must
    // follow them; raises an Exception when they cannot fit on any page.
    void place(const QVector<ReportPiece>& pieces, double room = 0) override;
    // A group's heading, repeated on the pages the group continues on, until it closes.
    void openHeading(const QString& heading) override { m_openHeadings << heading; }
    void closeHeading() override { m_openHeadings.removeLast(); }

    const QStringList& openHeadings() const { return m_openHeadings; }
    int pageCount() const { return m_pages; }

private:
    double needed(const QVector<ReportPiece>& pieces, double room) const;
    void line(ReportPiece::Kind kind, int index);

    double m_bodyTop;
    double m_bottom;
    QString m_sourceName;
    ReportDocument* m_document;
    QStringList m_openHeadings;
    int m_pages = 0;
    double m_y = 0;
    // No line of its own on the page yet, only the repeated headings.
    bool m_fresh = true;
};
