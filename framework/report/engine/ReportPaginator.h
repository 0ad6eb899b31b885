#pragma once

#include <QStringList>

// Decides where the pages of a report's body break. Lines placed together stay on one page,
// with the room they ask for free below them; a page that continues groups begins with their
// headings again. Lines that cannot fit even on a new page are a layout error.
class ReportPaginator {
public:
    // The body runs from bodyTop to bottom on every page; sourceName names the report in errors.
    // A carried line (a running total) takes that much room at the foot of every page and at
    // the head of every page after the first.
    ReportPaginator(double bodyTop, double bottom, const QString& sourceName,
                    double carriedLine = 0);

    // Places lines as tall as the height together, with the room below them on the same page;
    // true when they begin a new page. Raises an Exception when they cannot fit on any page.
    bool place(double height, double room);
    // A group's heading, repeated on the pages the group continues on, until it closes.
    void openHeading(const QString& heading) { m_openHeadings << heading; }
    void closeHeading() { m_openHeadings.removeLast(); }

    // The headings a page begun now would repeat.
    const QStringList& openHeadings() const { return m_openHeadings; }
    int pageCount() const { return m_pages; }

private:
    double m_bodyTop;
    double m_bottom;
    double m_carriedLine;
    QString m_sourceName;
    QStringList m_openHeadings;
    int m_pages = 1;
    double m_y;
    // No line of its own on the page yet, only the repeated headings.
    bool m_fresh = true;
};
