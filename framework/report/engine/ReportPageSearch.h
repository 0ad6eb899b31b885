#pragma once

#include "report/engine/ReportExport.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

class ReportPageSource;

// Finds a text in the body of a report's pages as a user searches (accents and case aside):
// a payee, a check number, an amount, a heading. Each hit is the box (in points on its page)
// of the cell that holds the text. Pages are read as the search reaches them.
class KLX_REPORT_EXPORT ReportPageSearch {
public:
    struct Hit {
        int page = 0;
        // Which hit of its page, in the page's order (top to bottom, left to right).
        int index = 0;
    };

    ReportPageSearch(const ReportPageSource& source, const QString& text);

    // The boxes of the hits on the page.
    QList<QRectF> hitsOn(int page);
    // The hit after (forward) or before the one given, going round the report; from a hit
    // index of -1 (forward) or the page's hit count (backward), the page's own first or last
    // hit. Nullopt when the text is nowhere.
    std::optional<Hit> next(const Hit& from, bool forward);

private:
    // Reads the hits of the pages around the page.
    void readAround(int page);

    const ReportPageSource& m_source;
    QString m_folded;
    QHash<int, QList<QRectF>> m_hits;
};
