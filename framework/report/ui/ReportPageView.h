#pragma once

#include "report/engine/ReportPageStretch.h"

#include <QImage>
#include <QWidget>
#include <memory>

class ReportPages;

// Shows one page of a laid-out report at a zoom factor (1 = the page's printed size), read
// back from the report's pages when it is shown.
class ReportPageView : public QWidget {
    Q_OBJECT
public:
    explicit ReportPageView(std::shared_ptr<const ReportPages> pages, QWidget* parent = nullptr);

    int page() const { return m_page; }
    // Shows the page (from 0), kept within the document.
    void setPage(int page);
    double zoom() const { return m_zoom; }
    // Sets the zoom, kept between 0.25 and 4.
    void setZoom(double zoom);
    // The zoom at which a page's width or whole page fits the size.
    double zoomToFit(const QSize& room, bool wholePage) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();

    std::shared_ptr<const ReportPages> m_pages;
    // The page shown, as read back.
    ReportPageStretch m_shown;
    int m_page = 0;
    double m_zoom = 1.0;
    QImage m_image;
};
