#include "report/ui/ReportPreviewDialog.h"

#include "base/Dispatcher.h"
#include "report/engine/ReportPages.h"
#include "report/ui/ReportPageView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Zoom choices: a factor, or 0 for the page's width and -1 for the whole page.
const QList<QPair<QString, double>>& zoomChoices()
{
    static const QList<QPair<QString, double>> choices{{QStringLiteral("Largura da página"), 0},
                                                       {QStringLiteral("Página inteira"), -1},
                                                       {QStringLiteral("50%"), 0.5},
                                                       {QStringLiteral("75%"), 0.75},
                                                       {QStringLiteral("100%"), 1.0},
                                                       {QStringLiteral("125%"), 1.25},
                                                       {QStringLiteral("150%"), 1.5},
                                                       {QStringLiteral("200%"), 2.0},
                                                       {QStringLiteral("300%"), 3.0}};
    return choices;
}

QToolButton* toolButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip,
                        const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setObjectName(name);
    button->setAutoRaise(true);
    return button;
}

} // namespace

ReportPreviewDialog::ReportPreviewDialog(std::shared_ptr<const ReportPages> pages,
                                         std::function<void()> print, QWidget* parent)
    : QDialog(parent), m_pages(std::move(pages)), m_print(std::move(print))
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(QStringLiteral("Visualização — %1").arg(m_pages->frame().header.title));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 760);

    auto* bar = new QHBoxLayout;
    m_first = toolButton(this, QStyle::SP_MediaSkipBackward, QStringLiteral("Primeira página"),
                         QStringLiteral("firstPage"));
    m_previous =
        toolButton(this, QStyle::SP_MediaSeekBackward, QStringLiteral("Página anterior (Page Up)"),
                   QStringLiteral("previousPage"));
    m_pageBox = new QSpinBox(this);
    m_pageBox->setObjectName(QStringLiteral("pageNumber"));
    m_pageBox->setRange(1, std::max(1, m_pages->pageCount()));
    auto* pageCount = new QLabel(QStringLiteral("de %1").arg(m_pages->pageCount()), this);
    m_next = toolButton(this, QStyle::SP_MediaSeekForward,
                        QStringLiteral("Próxima página (Page Down)"), QStringLiteral("nextPage"));
    m_last = toolButton(this, QStyle::SP_MediaSkipForward, QStringLiteral("Última página"),
                        QStringLiteral("lastPage"));
    auto* zoomOut = new QToolButton(this);
    zoomOut->setText(QStringLiteral("−"));
    zoomOut->setToolTip(QStringLiteral("Reduzir (Ctrl+-)"));
    auto* zoomIn = new QToolButton(this);
    zoomIn->setText(QStringLiteral("+"));
    zoomIn->setToolTip(QStringLiteral("Ampliar (Ctrl++)"));
    m_zoomBox = new QComboBox(this);
    m_zoomBox->setObjectName(QStringLiteral("zoom"));
    for (const auto& [label, factor] : zoomChoices())
        m_zoomBox->addItem(label, factor);
    auto* printButton = new QToolButton(this);
    printButton->setObjectName(QStringLiteral("print"));
    printButton->setText(QStringLiteral("Imprimir…"));
    printButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    printButton->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("Fechar"));

    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_first, m_previous, m_pageBox, pageCount, m_next, m_last})
        bar->addWidget(widget);
    bar->addSpacing(16);
    bar->addWidget(zoomOut);
    bar->addWidget(m_zoomBox);
    bar->addWidget(zoomIn);
    bar->addStretch();
    bar->addWidget(printButton);
    bar->addWidget(closeButton);

    m_view = new ReportPageView(m_pages);
    m_scroll = new QScrollArea(this);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_scroll);

    connect(m_first, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(m_previous, &QToolButton::clicked, this, [this] { showPage(m_view->page() - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { showPage(m_view->page() + 1); });
    connect(m_last, &QToolButton::clicked, this, [this] { showPage(m_pages->pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int value) { showPage(value - 1); });
    connect(m_zoomBox, &QComboBox::currentIndexChanged, this, [this] { applyZoomChoice(); });
    connect(zoomIn, &QToolButton::clicked, this, [this] { stepZoom(1); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { stepZoom(-1); });
    connect(printButton, &QToolButton::clicked, this,
            [this] { Dispatcher::run([this] { m_print(); }); });
    connect(closeButton, &QToolButton::clicked, this, &QDialog::close);

    m_zoomBox->setCurrentIndex(0);
    pageChanged();
    // The page has the focus: the arrows scroll it, Page Up and Page Down turn it.
    m_scroll->setFocus();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void ReportPreviewDialog::showPage(int page)
{
    m_view->setPage(page);
    pageChanged();
}

void ReportPreviewDialog::pageChanged()
{
    const int page = m_view->page();
    const int last = m_pages->pageCount() - 1;
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(page + 1);
    m_first->setEnabled(page > 0);
    m_previous->setEnabled(page > 0);
    m_next->setEnabled(page < last);
    m_last->setEnabled(page < last);
    m_scroll->verticalScrollBar()->setValue(0);
}

void ReportPreviewDialog::applyZoomChoice()
{
    const double factor = m_zoomBox->currentData().toDouble();
    const QSize room =
        m_scroll->viewport()->size() - QSize(m_scroll->verticalScrollBar()->sizeHint().width(), 0);
    m_view->setZoom(factor > 0 ? factor : m_view->zoomToFit(room, factor < 0));
}

// The next zoom percentage of the list above (or below) the zoom shown; the box shows it.
void ReportPreviewDialog::stepZoom(int direction)
{
    const double zoom = m_view->zoom();
    int next = -1;
    for (int i = 0; i < m_zoomBox->count(); ++i) {
        const double factor = m_zoomBox->itemData(i).toDouble();
        const bool beyond = direction > 0 ? factor > zoom + 0.001 : factor < zoom - 0.001;
        if (factor <= 0 || !beyond)
            continue;
        const double best = next < 0 ? 0 : m_zoomBox->itemData(next).toDouble();
        if (next < 0 || (direction > 0 ? factor < best : factor > best))
            next = i;
    }
    if (next >= 0)
        m_zoomBox->setCurrentIndex(next);
}

bool ReportPreviewDialog::turnPage(const QKeyEvent* event)
{
    if (event->key() == Qt::Key_PageDown)
        showPage(m_view->page() + 1);
    else if (event->key() == Qt::Key_PageUp)
        showPage(m_view->page() - 1);
    else
        return false;
    return true;
}

void ReportPreviewDialog::keyPressEvent(QKeyEvent* event)
{
    if (turnPage(event))
        return;
    if (event->matches(QKeySequence::ZoomIn) ||
        (event->modifiers() & Qt::ControlModifier && event->key() == Qt::Key_Plus))
        stepZoom(1);
    else if (event->matches(QKeySequence::ZoomOut))
        stepZoom(-1);
    else
        QDialog::keyPressEvent(event);
}

bool ReportPreviewDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The page box and the scroll area would take Page Up and Page Down for themselves.
    if (event->type() == QEvent::KeyPress && turnPage(static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize &&
        m_zoomBox->currentIndex() >= 0 && m_zoomBox->currentData().toDouble() <= 0)
        applyZoomChoice();
    return QDialog::eventFilter(watched, event);
}
