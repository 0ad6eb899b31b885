#include "report/ui/ReportPageView.h"

#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"

#include <QPainter>

namespace {
constexpr int frame = 12;
} // namespace

ReportPageView::ReportPageView(std::shared_ptr<const ReportPages> pages, QWidget* parent)
    : QWidget(parent), m_pages(std::move(pages)), m_shown(m_pages->page(0))
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
    m_shown = m_pages->page(page);
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

void ReportPageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QSize size = m_image.size() / m_image.devicePixelRatio();
    const QPoint origin((width() - size.width()) / 2, frame);
    painter.fillRect(QRect(origin + QPoint(3, 3), size), QColor(0, 0, 0, 90));
    painter.drawImage(origin, m_image);
}
