#include "report/ui/ReportPreviewDialog.h"

#include "base/ProgramState.h"

#include "base/Dispatcher.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"
#include "report/ui/ReportPageView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

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

// A button with a theme's icon (the Adwaita icons, which the package recommends), or the
// style's where the theme has none.
QToolButton* textButton(QWidget* parent, const QString& text, const QString& themeIcon,
                        QStyle::StandardPixmap fallback, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIcon(QIcon::fromTheme(themeIcon, parent->style()->standardIcon(fallback)));
    return button;
}

// The settings group the window keeps its size and zoom in.
const QString settingsGroup = QStringLiteral("visualizacao");

} // namespace

ReportPreviewDialog::ReportPreviewDialog(std::shared_ptr<const ReportPageSource> pages,
                                         std::function<void()> print, std::function<void()> saveAs,
                                         QWidget* parent)
    : QDialog(parent), m_pages(std::move(pages)), m_print(std::move(print)),
      m_saveAs(std::move(saveAs))
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(QStringLiteral("Visualização — %1").arg(m_pages->frame().header.title));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 760);

    auto* bar = new QHBoxLayout;
    m_first = toolButton(this, QStyle::SP_MediaSkipBackward,
                         QStringLiteral("Primeira página (Home)"), QStringLiteral("firstPage"));
    m_previous =
        toolButton(this, QStyle::SP_MediaSeekBackward, QStringLiteral("Página anterior (Page Up)"),
                   QStringLiteral("previousPage"));
    m_pageBox = new QSpinBox(this);
    m_pageBox->setObjectName(QStringLiteral("pageNumber"));
    m_pageBox->setRange(1, std::max(1, m_pages->pageCount()));
    m_pageCount = new QLabel(QStringLiteral("de %1").arg(m_pages->pageCount()), this);
    m_pageCount->setObjectName(QStringLiteral("pageCount"));
    m_next = toolButton(this, QStyle::SP_MediaSeekForward,
                        QStringLiteral("Próxima página (Page Down)"), QStringLiteral("nextPage"));
    m_last = toolButton(this, QStyle::SP_MediaSkipForward, QStringLiteral("Última página (End)"),
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
    auto* searchButton = textButton(this, QStringLiteral("Localizar"), QStringLiteral("edit-find"),
                                    QStyle::SP_FileDialogContentsView, QStringLiteral("find"));
    searchButton->setToolTip(QStringLiteral("Localizar nas páginas (Ctrl+F)"));
    auto* saveButton =
        textButton(this, QStringLiteral("Salvar como…"), QStringLiteral("document-save-as"),
                   QStyle::SP_DialogSaveButton, QStringLiteral("saveAs"));
    saveButton->setToolTip(QStringLiteral("Salvar como (Ctrl+S)"));
    auto* printButton = m_printButton =
        textButton(this, QStringLiteral("Imprimir…"), QStringLiteral("document-print"),
                   QStyle::SP_DialogOkButton, QStringLiteral("print"));
    printButton->setToolTip(QStringLiteral("Imprimir (Ctrl+P)"));
    m_cancel = new QToolButton(this);
    m_cancel->setObjectName(QStringLiteral("cancelLayout"));
    m_cancel->setText(QStringLiteral("Cancelar"));
    m_cancel->setToolTip(QStringLiteral("Parar o relatório e ficar com as páginas já prontas"));
    m_cancel->hide();
    auto* closeButton = new QToolButton(this);
    closeButton->setText(QStringLiteral("Fechar"));

    for (QWidget* widget : std::initializer_list<QWidget*>{m_first, m_previous, m_pageBox,
                                                           m_pageCount, m_next, m_last})
        bar->addWidget(widget);
    bar->addSpacing(16);
    bar->addWidget(zoomOut);
    bar->addWidget(m_zoomBox);
    bar->addWidget(zoomIn);
    bar->addStretch();
    for (QWidget* widget : std::initializer_list<QWidget*>{m_cancel, searchButton, saveButton,
                                                           printButton, closeButton})
        bar->addWidget(widget);

    m_searchBar = new QWidget(this);
    m_searchText = new QLineEdit(m_searchBar);
    m_searchText->setObjectName(QStringLiteral("searchText"));
    m_searchText->setPlaceholderText(QStringLiteral("favorecido, número, valor…"));
    m_searchText->setClearButtonEnabled(true);
    auto* findPrevious =
        toolButton(m_searchBar, QStyle::SP_ArrowUp, QStringLiteral("Anterior (Shift+F3)"),
                   QStringLiteral("findPrevious"));
    auto* findNext = toolButton(m_searchBar, QStyle::SP_ArrowDown, QStringLiteral("Próxima (F3)"),
                                QStringLiteral("findNext"));
    m_searchStatus = new QLabel(m_searchBar);
    m_searchStatus->setObjectName(QStringLiteral("searchStatus"));
    auto* searchLayout = new QHBoxLayout(m_searchBar);
    searchLayout->setContentsMargins(0, 0, 0, 0);
    searchLayout->addWidget(new QLabel(QStringLiteral("Localizar:"), m_searchBar));
    searchLayout->addWidget(m_searchText, 1);
    searchLayout->addWidget(findPrevious);
    searchLayout->addWidget(findNext);
    searchLayout->addWidget(m_searchStatus, 1);
    m_searchBar->hide();

    m_view = new ReportPageView(m_pages);
    m_scroll = new QScrollArea(this);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_searchBar);
    layout->addWidget(m_scroll);

    const auto printPages = [this] { Dispatcher::run([this] { m_print(); }); };
    const auto savePages = [this] { Dispatcher::run([this] { m_saveAs(); }); };

    connect(m_first, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(m_previous, &QToolButton::clicked, this, [this] { showPage(m_view->page() - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { showPage(m_view->page() + 1); });
    connect(m_last, &QToolButton::clicked, this, [this] { showPage(m_pages->pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int value) { showPage(value - 1); });
    connect(m_zoomBox, &QComboBox::currentIndexChanged, this, [this] { applyZoomChoice(); });
    connect(zoomIn, &QToolButton::clicked, this, [this] { stepZoom(1); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { stepZoom(-1); });
    connect(searchButton, &QToolButton::clicked, this, [this] { showSearchBar(); });
    connect(saveButton, &QToolButton::clicked, this, savePages);
    connect(printButton, &QToolButton::clicked, this, printPages);
    connect(closeButton, &QToolButton::clicked, this, &QDialog::close);
    connect(m_cancel, &QToolButton::clicked, this, [this] {
        m_cancelRun();
        m_cancel->setEnabled(false);
        m_pageCount->setText(QStringLiteral("de %1 (cancelando…)").arg(m_pages->pageCount()));
    });
    connect(findNext, &QToolButton::clicked, this, [this] { find(m_searchText->text(), true); });
    connect(findPrevious, &QToolButton::clicked, this,
            [this] { find(m_searchText->text(), false); });

    m_zoomBox->setCurrentIndex(0);
    restoreSettings();
    pageChanged();
    // The page has the focus: the arrows scroll it, Page Up and Page Down turn it.
    m_scroll->setFocus();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

ReportPreviewDialog::~ReportPreviewDialog() = default;

void ReportPreviewDialog::follow(std::function<bool()> ended, std::function<void()> cancel)
{
    m_ended = std::move(ended);
    m_cancelRun = std::move(cancel);
    m_cancel->show();
    m_printButton->setEnabled(false);
    m_follow = new QTimer(this);
    connect(m_follow, &QTimer::timeout, this, [this] { refreshPages(); });
    m_follow->start(200);
    followed();
}

void ReportPreviewDialog::refreshPages()
{
    if (!m_follow || m_refreshing)
        return;
    // A failure's message box runs an event loop in which the timer fires again.
    m_refreshing = true;
    bool over = true;
    // The run's failure, after the pages it laid out, is shown as any other error.
    Dispatcher::run([&] { over = m_ended(); });
    Dispatcher::run([&] {
        if (m_pages->refresh() && !over)
            followed();
    });
    m_refreshing = false;
    if (!over)
        return;
    m_follow->deleteLater();
    m_follow = nullptr;
    m_cancel->hide();
    Dispatcher::run([&] { followed(); });
}

// The page count, the navigation and the page shown as the report being followed now has
// them.
void ReportPreviewDialog::followed()
{
    const int count = m_pages->pageCount();
    {
        const QSignalBlocker block(m_pageBox);
        m_pageBox->setRange(1, std::max(1, count));
    }
    if (m_pages->finished()) {
        m_pageCount->setText(QStringLiteral("de %1").arg(count));
        m_printButton->setEnabled(true);
        // Pages cut again under the final frame: hits found before may have moved.
        m_search.reset();
        m_hit.reset();
    } else if (m_follow) {
        m_pageCount->setText(QStringLiteral("de %1…").arg(count));
    } else {
        m_pageCount->setText(QStringLiteral("de %1 (interrompido)").arg(count));
    }
    // Pages cut again under the final frame may be fewer than those shown.
    if (m_view->page() >= count && count > 0)
        showPage(count - 1);
    // The frame (the columns' widths) and the footer of the page shown may have changed.
    m_view->reload();
    updateNavigation();
}

void ReportPreviewDialog::restoreSettings()
{
    ProgramState::Settings settings;
    settings.beginGroup(settingsGroup);
    const QSize size = settings.value(QStringLiteral("tamanho")).toSize();
    if (size.isValid())
        resize(size);
    const int zoom = settings.value(QStringLiteral("zoom"), 0).toInt();
    if (zoom >= 0 && zoom < m_zoomBox->count())
        m_zoomBox->setCurrentIndex(zoom);
}

void ReportPreviewDialog::done(int result)
{
    // A report still being laid out stops with its window.
    if (m_follow)
        m_cancelRun();
    ProgramState::Settings settings;
    settings.beginGroup(settingsGroup);
    settings.setValue(QStringLiteral("tamanho"), size());
    settings.setValue(QStringLiteral("zoom"), m_zoomBox->currentIndex());
    QDialog::done(result);
}

void ReportPreviewDialog::showPage(int page)
{
    m_view->setPage(page);
    pageChanged();
}

void ReportPreviewDialog::updateNavigation()
{
    const int page = m_view->page();
    const int last = m_pages->pageCount() - 1;
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(page + 1);
    m_first->setEnabled(page > 0);
    m_previous->setEnabled(page > 0);
    m_next->setEnabled(page < last);
    m_last->setEnabled(page < last);
}

void ReportPreviewDialog::pageChanged()
{
    const int page = m_view->page();
    updateNavigation();
    m_scroll->verticalScrollBar()->setValue(0);
    if (m_search)
        m_view->setHighlights(m_search->hitsOn(page),
                              m_hit && m_hit->page == page ? m_hit->index : -1);
}

void ReportPreviewDialog::showSearchBar()
{
    m_searchBar->show();
    m_searchText->setFocus(Qt::ShortcutFocusReason);
    m_searchText->selectAll();
}

bool ReportPreviewDialog::find(const QString& text, bool forward)
{
    if (text.trimmed().isEmpty())
        return false;
    if (!m_search || text != m_searched) {
        m_search = std::make_unique<ReportPageSearch>(*m_pages, text);
        m_searched = text;
        // The first search starts on the page shown.
        m_hit = ReportPageSearch::Hit{m_view->page(),
                                      forward ? -1 : int(m_search->hitsOn(m_view->page()).size())};
        if (m_searchText->text() != text)
            m_searchText->setText(text);
    }
    const auto next =
        m_search->next(m_hit.value_or(ReportPageSearch::Hit{m_view->page(), -1}), forward);
    if (!next) {
        m_hit.reset();
        m_searchStatus->setText(QStringLiteral("\"%1\" não foi encontrado.").arg(text.trimmed()));
        m_view->setHighlights({}, -1);
        return false;
    }
    m_hit = next;
    showHit();
    return true;
}

void ReportPreviewDialog::showHit()
{
    if (m_hit->page != m_view->page())
        showPage(m_hit->page);
    else
        pageChanged();
    const QList<QRectF> hits = m_search->hitsOn(m_hit->page);
    const QRect box = m_view->boxInView(hits.at(m_hit->index));
    m_scroll->ensureVisible(box.center().x(), box.center().y(), box.width(), box.height() * 4);
    m_searchStatus->setText(QStringLiteral("Página %1: %2 de %3 nesta página")
                                .arg(m_hit->page + 1)
                                .arg(m_hit->index + 1)
                                .arg(hits.size()));
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

bool ReportPreviewDialog::runCommandKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Print)) {
        if (m_printButton->isEnabled())
            Dispatcher::run([this] { m_print(); });
    } else if (event->matches(QKeySequence::Save))
        Dispatcher::run([this] { m_saveAs(); });
    else if (event->matches(QKeySequence::Find))
        showSearchBar();
    else if (event->matches(QKeySequence::FindNext))
        find(m_searchText->text(), true);
    else if (event->matches(QKeySequence::FindPrevious))
        find(m_searchText->text(), false);
    else
        return false;
    return true;
}

bool ReportPreviewDialog::turnPage(const QKeyEvent* event, const QObject* target)
{
    // In an edit, Home and End move in its text; with Ctrl they go to the pages' ends.
    const bool editing =
        target == m_pageBox || target == m_searchText || (target && target->parent() == m_pageBox);
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        showPage(m_view->page() + 1);
        return true;
    case Qt::Key_PageUp:
        showPage(m_view->page() - 1);
        return true;
    case Qt::Key_Home:
        if (editing && !control)
            return false;
        showPage(0);
        return true;
    case Qt::Key_End:
        if (editing && !control)
            return false;
        showPage(m_pages->pageCount() - 1);
        return true;
    default:
        return false;
    }
}

bool ReportPreviewDialog::wheelPastEnd(const QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    const QScrollBar* scroll = m_scroll->verticalScrollBar();
    if (delta < 0 && scroll->value() >= scroll->maximum() &&
        m_view->page() < m_pages->pageCount() - 1) {
        showPage(m_view->page() + 1);
        return true;
    }
    if (delta > 0 && scroll->value() <= scroll->minimum() && m_view->page() > 0) {
        showPage(m_view->page() - 1);
        m_scroll->verticalScrollBar()->setValue(m_scroll->verticalScrollBar()->maximum());
        return true;
    }
    return false;
}

void ReportPreviewDialog::keyPressEvent(QKeyEvent* event)
{
    if (runCommandKey(event) || turnPage(event, nullptr))
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
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_searchText &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            find(m_searchText->text(), !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (watched == m_searchText && key->key() == Qt::Key_Escape) {
            m_searchBar->hide();
            m_view->setHighlights({}, -1);
            m_scroll->setFocus();
            return true;
        }
        // The page box and the scroll area would take the page keys for themselves.
        if (runCommandKey(key) || turnPage(key, watched))
            return true;
    }
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel &&
        !(static_cast<QWheelEvent*>(event)->modifiers() & Qt::ControlModifier) &&
        wheelPastEnd(static_cast<QWheelEvent*>(event)))
        return true;
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize &&
        m_zoomBox->currentIndex() >= 0 && m_zoomBox->currentData().toDouble() <= 0)
        applyZoomChoice();
    return QDialog::eventFilter(watched, event);
}
