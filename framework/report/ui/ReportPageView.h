#pragma once

#include "report/engine/ReportPageStretch.h"

#include <QImage>
#include <QWidget>
#include <memory>

class ReportPageSource;

// Shows one page of a laid-out report at a zoom factor (1 = the page's printed size), read
// back from the report's pages when it is shown, with the boxes of search hits marked.
class ReportPageView : public QWidget {
    Q_OBJECT
public:
    explicit ReportPageView(std::shared_ptr<const ReportPageSource> pages,
                            QWidget* parent = nullptr);

    int page() const { return m_page; }
    // Shows the page (from 0), kept within the document.
    void setPage(int page);
    // Reads the page shown again: a report still being laid out has changed it.
    void reload();
    double zoom() const { return m_zoom; }
    // Sets the zoom, kept between 0.25 and 4.
    void setZoom(double zoom);
    // The zoom at which a page's width or whole page fits the size.
    double zoomToFit(const QSize& room, bool wholePage) const;

    // Marks boxes of the page shown (in points), the current one apart; none clears them.
    void setHighlights(const QList<QRectF>& boxes, int current);
    // Where a box of the page (in points) stands in the view.
    QRect boxInView(const QRectF& box) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    // Where the page's top left corner stands in the view.
    QPoint pageOrigin() const;

    std::shared_ptr<const ReportPageSource> m_pages;
    // The page shown, as read back.
    ReportPageStretch m_shown;
    int m_page = 0;
    double m_zoom = 1.0;
    QImage m_image;
    QList<QRectF> m_highlights;
    int m_currentHighlight = -1;
};
