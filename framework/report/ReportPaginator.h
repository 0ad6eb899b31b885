#pragma once

#include "report/ReportDocument.h"

#include <QList>
#include <QVector>

// Places the lines of a report's body on pages. Lines placed together stay on one page; a
// new page repeats the headings of the groups still open, marked "(continuação)". Every line
// lands inside the page's body: what cannot fit even on a new page is a layout error.
class ReportPaginator {
public:
    struct Piece {
        ReportDocument::Line::Kind kind;
        int index;
        double height;
    };

    // sourceName names the report in errors.
    ReportPaginator(ReportDocument& document, const QString& sourceName);

    // Places the pieces on one page with room below them on the same page for what must
    // follow them; raises an Exception when they cannot fit on any page.
    void place(const QVector<Piece>& pieces, double room = 0);
    // A group's heading, repeated on the pages the group continues on, until it closes.
    void openHeading(int heading) { m_openHeadings << heading; }
    void closeHeading() { m_openHeadings.removeLast(); }

private:
    void newPage();

    ReportDocument& m_document;
    QString m_sourceName;
    QList<int> m_openHeadings;
    double m_y = 0;
    double m_bottom = 0;
    // No line of its own on the page yet, only the repeated headings.
    bool m_fresh = true;
};
