#include "report/ui/ReportPageView.h"

#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"
#include "report/engine/ReportPainter.h"

#include <QPainter>

namespace {
constexpr int frame = 12;
} // namespace

ReportPageView::ReportPageView(std::shared_ptr<const ReportPageSource> pages, QWidget* parent)
    : QWidget(parent), m_pages(std::move(pages)), m_shown(m_pages->pages(0, 0))
{
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
    render();
}

void ReportPageView::setPage(int page)
{
    page = std::clamp(page, 0, std::max(0, m_pages->pageCount() - 1));
    if (page == m_page && !m_image.isNull())
        return;
    m_page = page;
    m_shown = m_pages->pages(page, page);
    m_highlights.clear();
    render();
}

void ReportPageView::reload()
{
    m_shown = m_pages->pages(m_page, m_page);
    render();
}

void ReportPageView::setZoom(double zoom)
{
    zoom = std::clamp(zoom, 0.25, 4.0);
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    m_zoom = zoom;
    render();
}

double ReportPageView::zoomToFit(const QSize& room, bool wholePage) const
{
    const double dpi = logicalDpiX();
    const QSizeF pageSize = m_pages->frame().pageSize;
    const double pageWidth = pageSize.width() * dpi / 72.0;
    const double pageHeight = pageSize.height() * dpi / 72.0;
    const double byWidth = (room.width() - 2 * frame) / pageWidth;
    const double byHeight = (room.height() - 2 * frame) / pageHeight;
    return wholePage ? std::min(byWidth, byHeight) : byWidth;
}

QSize ReportPageView::sizeHint() const
{
    const qreal ratio = m_image.devicePixelRatio();
    return (m_image.size() / ratio) + QSize(2 * frame, 2 * frame);
}

void ReportPageView::render()
{
    // Drawn at the screen's own pixel density, so text stays sharp on any screen.
    const double ratio = devicePixelRatioF();
    m_image =
        ReportPainter::pageImage(m_pages->frame(), m_shown, m_page, logicalDpiX() * m_zoom * ratio);
    m_image.setDevicePixelRatio(ratio);
    resize(sizeHint());
    updateGeometry();
    update();
}

void ReportPageView::setHighlights(const QList<QRectF>& boxes, int current)
{
    m_highlights = boxes;
    m_currentHighlight = current;
    update();
}

QPoint ReportPageView::pageOrigin() const
{
    const QSize size = m_image.size() / m_image.devicePixelRatio();
    return QPoint((width() - size.width()) / 2, frame);
}

QRect ReportPageView::boxInView(const QRectF& box) const
{
    const double scale = logicalDpiX() * m_zoom / 72.0;
    const QRectF scaled(box.x() * scale, box.y() * scale, box.width() * scale,
                        box.height() * scale);
    return scaled.toAlignedRect().translated(pageOrigin());
}

void ReportPageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QSize size = m_image.size() / m_image.devicePixelRatio();
    const QPoint origin = pageOrigin();
    painter.fillRect(QRect(origin + QPoint(3, 3), size), QColor(0, 0, 0, 90));
    painter.drawImage(origin, m_image);
    for (int i = 0; i < m_highlights.size(); ++i)
        painter.fillRect(boxInView(m_highlights.at(i)), i == m_currentHighlight
                                                            ? QColor(255, 140, 0, 110)
                                                            : QColor(255, 230, 0, 90));
}
