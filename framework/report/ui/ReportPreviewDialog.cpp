#include "report/ui/ReportPreviewDialog.h"

#include "base/Dispatcher.h"
#include "base/ProgramState.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"
#include "report/output/ReportLiveRun.h"
#include "report/ui/ReportPageView.h"
#include "report/ui/ReportPreviewDialog_p.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
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
QToolButton* textButton(QWidget* parent, const QString& text, const QString& tip,
                        const QString& themeIcon, QStyle::StandardPixmap fallback,
                        const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
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
    : QDialog(parent), d(std::make_unique<ReportPreviewDialogPrivate>(
                           *this, std::move(pages), std::move(print), std::move(saveAs)))
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(QStringLiteral("Visualização — %1").arg(d->pages->frame().header.title));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 760);
    d->build();
}

ReportPreviewDialog::~ReportPreviewDialog() = default;

void ReportPreviewDialog::showPage(int page)
{
    d->showPage(page);
}

bool ReportPreviewDialog::find(const QString& text, bool forward)
{
    return d->find(text, forward);
}

void ReportPreviewDialog::follow(std::shared_ptr<ReportLiveRun> run)
{
    ReportLiveRun* followed = run.get();
    d->run = std::move(run);
    d->startFollowing([followed] { followed->cancel(); });
    connect(followed, &ReportLiveRun::pagesAdded, this, [this] { d->takePages(); });
    connect(followed, &ReportLiveRun::ended, this,
            [this, followed] { d->followEnded(followed->failure()); });
    // Pages whole before the window listened.
    d->takePages();
    if (followed->hasEnded())
        d->followEnded(followed->failure());
}

void ReportPreviewDialog::done(int result)
{
    // A report still being laid out stops with its window.
    if (d->following)
        d->cancelRun();
    d->saveSettings();
    QDialog::done(result);
}

void ReportPreviewDialog::keyPressEvent(QKeyEvent* event)
{
    if (d->runCommandKey(event) || d->turnPage(event, nullptr))
        return;
    if (event->matches(QKeySequence::ZoomIn) ||
        (event->modifiers() & Qt::ControlModifier && event->key() == Qt::Key_Plus))
        d->stepZoom(1);
    else if (event->matches(QKeySequence::ZoomOut))
        d->stepZoom(-1);
    else
        QDialog::keyPressEvent(event);
}

bool ReportPreviewDialog::eventFilter(QObject* watched, QEvent* event)
{
    return d->filterEvent(watched, event) || QDialog::eventFilter(watched, event);
}

ReportPreviewDialogPrivate::ReportPreviewDialogPrivate(
    ReportPreviewDialog& dialog, std::shared_ptr<const ReportPageSource> pages,
    std::function<void()> print, std::function<void()> saveAs)
    : q(dialog), pages(std::move(pages)), print(std::move(print)), saveAs(std::move(saveAs))
{
}

void ReportPreviewDialogPrivate::build()
{
    auto* layout = new QVBoxLayout(&q);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buildToolBar());
    layout->addWidget(buildSearchBar());
    layout->addWidget(buildPageArea());

    zoomBox->setCurrentIndex(0);
    restoreSettings();
    pageChanged();
    // The page has the focus: the arrows scroll it, Page Up and Page Down turn it.
    scroll->setFocus();
    for (QWidget* child : q.findChildren<QWidget*>())
        child->installEventFilter(&q);
}

QHBoxLayout* ReportPreviewDialogPrivate::buildToolBar()
{
    auto* bar = new QHBoxLayout;
    addNavigation(bar);
    bar->addSpacing(16);
    addZoom(bar);
    bar->addStretch();
    addCommands(bar);
    return bar;
}

void ReportPreviewDialogPrivate::addNavigation(QHBoxLayout* bar)
{
    first = toolButton(&q, QStyle::SP_MediaSkipBackward, QStringLiteral("Primeira página (Home)"),
                       QStringLiteral("firstPage"));
    previous =
        toolButton(&q, QStyle::SP_MediaSeekBackward, QStringLiteral("Página anterior (Page Up)"),
                   QStringLiteral("previousPage"));
    pageBox = new QSpinBox(&q);
    pageBox->setObjectName(QStringLiteral("pageNumber"));
    pageBox->setRange(1, std::max(1, pages->pageCount()));
    pageCount = new QLabel(QStringLiteral("de %1").arg(pages->pageCount()), &q);
    pageCount->setObjectName(QStringLiteral("pageCount"));
    next = toolButton(&q, QStyle::SP_MediaSeekForward, QStringLiteral("Próxima página (Page Down)"),
                      QStringLiteral("nextPage"));
    last = toolButton(&q, QStyle::SP_MediaSkipForward, QStringLiteral("Última página (End)"),
                      QStringLiteral("lastPage"));
    for (QWidget* widget :
         std::initializer_list<QWidget*>{first, previous, pageBox, pageCount, next, last})
        bar->addWidget(widget);

    QObject::connect(first, &QToolButton::clicked, &q, [this] { showPage(0); });
    QObject::connect(previous, &QToolButton::clicked, &q, [this] { showPage(view->page() - 1); });
    QObject::connect(next, &QToolButton::clicked, &q, [this] { showPage(view->page() + 1); });
    QObject::connect(last, &QToolButton::clicked, &q, [this] { showPage(pages->pageCount() - 1); });
    QObject::connect(pageBox, &QSpinBox::valueChanged, &q,
                     [this](int value) { showPage(value - 1); });
}

void ReportPreviewDialogPrivate::addZoom(QHBoxLayout* bar)
{
    auto* zoomOut = new QToolButton(&q);
    zoomOut->setText(QStringLiteral("−"));
    zoomOut->setToolTip(QStringLiteral("Reduzir (Ctrl+-)"));
    auto* zoomIn = new QToolButton(&q);
    zoomIn->setText(QStringLiteral("+"));
    zoomIn->setToolTip(QStringLiteral("Ampliar (Ctrl++)"));
    zoomBox = new QComboBox(&q);
    zoomBox->setObjectName(QStringLiteral("zoom"));
    for (const auto& [label, factor] : zoomChoices())
        zoomBox->addItem(label, factor);
    bar->addWidget(zoomOut);
    bar->addWidget(zoomBox);
    bar->addWidget(zoomIn);

    QObject::connect(zoomBox, &QComboBox::currentIndexChanged, &q, [this] { applyZoomChoice(); });
    QObject::connect(zoomIn, &QToolButton::clicked, &q, [this] { stepZoom(1); });
    QObject::connect(zoomOut, &QToolButton::clicked, &q, [this] { stepZoom(-1); });
}

void ReportPreviewDialogPrivate::addCommands(QHBoxLayout* bar)
{
    cancelButton = new QToolButton(&q);
    cancelButton->setObjectName(QStringLiteral("cancelLayout"));
    cancelButton->setText(QStringLiteral("Cancelar"));
    cancelButton->setToolTip(QStringLiteral("Parar o relatório e ficar com as páginas já prontas"));
    cancelButton->hide();
    auto* searchButton = textButton(
        &q, QStringLiteral("Localizar"), QStringLiteral("Localizar nas páginas (Ctrl+F)"),
        QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView, QStringLiteral("find"));
    auto* saveButton = textButton(
        &q, QStringLiteral("Salvar como…"), QStringLiteral("Salvar como (Ctrl+S)"),
        QStringLiteral("document-save-as"), QStyle::SP_DialogSaveButton, QStringLiteral("saveAs"));
    printButton = textButton(&q, QStringLiteral("Imprimir…"), QStringLiteral("Imprimir (Ctrl+P)"),
                             QStringLiteral("document-print"), QStyle::SP_DialogOkButton,
                             QStringLiteral("print"));
    auto* closeButton = new QToolButton(&q);
    closeButton->setText(QStringLiteral("Fechar"));
    for (QWidget* widget : std::initializer_list<QWidget*>{cancelButton, searchButton, saveButton,
                                                           printButton, closeButton})
        bar->addWidget(widget);

    QObject::connect(cancelButton, &QToolButton::clicked, &q, [this] {
        cancelRun();
        cancelButton->setEnabled(false);
        pageCount->setText(QStringLiteral("de %1 (cancelando…)").arg(pages->pageCount()));
    });
    QObject::connect(searchButton, &QToolButton::clicked, &q, [this] { showSearchBar(); });
    QObject::connect(saveButton, &QToolButton::clicked, &q,
                     [this] { Dispatcher::run([this] { saveAs(); }); });
    QObject::connect(printButton, &QToolButton::clicked, &q,
                     [this] { Dispatcher::run([this] { print(); }); });
    QObject::connect(closeButton, &QToolButton::clicked, &q, &QDialog::close);
}

QWidget* ReportPreviewDialogPrivate::buildSearchBar()
{
    searchBar = new QWidget(&q);
    searchText = new QLineEdit(searchBar);
    searchText->setObjectName(QStringLiteral("searchText"));
    searchText->setPlaceholderText(QStringLiteral("favorecido, número, valor…"));
    searchText->setClearButtonEnabled(true);
    auto* findPrevious =
        toolButton(searchBar, QStyle::SP_ArrowUp, QStringLiteral("Anterior (Shift+F3)"),
                   QStringLiteral("findPrevious"));
    auto* findNext = toolButton(searchBar, QStyle::SP_ArrowDown, QStringLiteral("Próxima (F3)"),
                                QStringLiteral("findNext"));
    searchStatus = new QLabel(searchBar);
    searchStatus->setObjectName(QStringLiteral("searchStatus"));
    auto* layout = new QHBoxLayout(searchBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Localizar:"), searchBar));
    layout->addWidget(searchText, 1);
    layout->addWidget(findPrevious);
    layout->addWidget(findNext);
    layout->addWidget(searchStatus, 1);
    searchBar->hide();

    QObject::connect(findNext, &QToolButton::clicked, &q,
                     [this] { find(searchText->text(), true); });
    QObject::connect(findPrevious, &QToolButton::clicked, &q,
                     [this] { find(searchText->text(), false); });
    return searchBar;
}

QWidget* ReportPreviewDialogPrivate::buildPageArea()
{
    view = new ReportPageView(pages);
    scroll = new QScrollArea(&q);
    scroll->setBackgroundRole(QPalette::Dark);
    scroll->setAlignment(Qt::AlignHCenter);
    scroll->setWidget(view);
    scroll->viewport()->installEventFilter(&q);
    return scroll;
}

void ReportPreviewDialogPrivate::startFollowing(std::function<void()> cancel)
{
    following = true;
    cancelRun = std::move(cancel);
    cancelButton->show();
    printButton->setEnabled(false);
    followed();
}

void ReportPreviewDialogPrivate::takePages()
{
    Dispatcher::run([this] {
        if (pages->refresh())
            followed();
    });
}

void ReportPreviewDialogPrivate::followEnded(std::exception_ptr failure)
{
    if (!following)
        return;
    following = false;
    cancelButton->hide();
    Dispatcher::run([this] {
        pages->refresh();
        followed();
    });
    // The run's failure, after the pages it laid out, is shown as any other error.
    if (failure)
        Dispatcher::run([&failure] { std::rethrow_exception(failure); });
}

void ReportPreviewDialogPrivate::followed()
{
    const int count = pages->pageCount();
    {
        const QSignalBlocker block(pageBox);
        pageBox->setRange(1, std::max(1, count));
    }
    if (pages->finished()) {
        pageCount->setText(QStringLiteral("de %1").arg(count));
        printButton->setEnabled(true);
        // Pages cut again under the final frame: hits found before may have moved.
        search.reset();
        hit.reset();
    } else if (following) {
        pageCount->setText(QStringLiteral("de %1…").arg(count));
    } else {
        pageCount->setText(QStringLiteral("de %1 (interrompido)").arg(count));
    }
    // Pages cut again under the final frame may be fewer than those shown.
    if (view->page() >= count && count > 0)
        showPage(count - 1);
    // The frame (the columns' widths) and the footer of the page shown may have changed.
    view->reload();
    updateNavigation();
}

void ReportPreviewDialogPrivate::restoreSettings()
{
    ProgramState::Settings settings;
    settings.beginGroup(settingsGroup);
    const QSize size = settings.value(QStringLiteral("tamanho")).toSize();
    if (size.isValid())
        q.resize(size);
    const int zoom = settings.value(QStringLiteral("zoom"), 0).toInt();
    if (zoom >= 0 && zoom < zoomBox->count())
        zoomBox->setCurrentIndex(zoom);
}

void ReportPreviewDialogPrivate::saveSettings() const
{
    ProgramState::Settings settings;
    settings.beginGroup(settingsGroup);
    settings.setValue(QStringLiteral("tamanho"), q.size());
    settings.setValue(QStringLiteral("zoom"), zoomBox->currentIndex());
}

void ReportPreviewDialogPrivate::showPage(int page)
{
    view->setPage(page);
    pageChanged();
}

void ReportPreviewDialogPrivate::updateNavigation()
{
    const int page = view->page();
    const int lastPage = pages->pageCount() - 1;
    const QSignalBlocker block(pageBox);
    pageBox->setValue(page + 1);
    first->setEnabled(page > 0);
    previous->setEnabled(page > 0);
    next->setEnabled(page < lastPage);
    last->setEnabled(page < lastPage);
}

void ReportPreviewDialogPrivate::pageChanged()
{
    const int page = view->page();
    updateNavigation();
    scroll->verticalScrollBar()->setValue(0);
    if (search)
        view->setHighlights(search->hitsOn(page), hit && hit->page == page ? hit->index : -1);
}

void ReportPreviewDialogPrivate::showSearchBar()
{
    searchBar->show();
    searchText->setFocus(Qt::ShortcutFocusReason);
    searchText->selectAll();
}

bool ReportPreviewDialogPrivate::find(const QString& text, bool forward)
{
    if (text.trimmed().isEmpty())
        return false;
    if (!search || text != searched) {
        search = std::make_unique<ReportPageSearch>(*pages, text);
        searched = text;
        // The first search starts on the page shown.
        hit = ReportPageSearch::Hit{view->page(),
                                    forward ? -1 : int(search->hitsOn(view->page()).size())};
        if (searchText->text() != text)
            searchText->setText(text);
    }
    const auto found = search->next(hit.value_or(ReportPageSearch::Hit{view->page(), -1}), forward);
    if (!found) {
        hit.reset();
        searchStatus->setText(QStringLiteral("\"%1\" não foi encontrado.").arg(text.trimmed()));
        view->setHighlights({}, -1);
        return false;
    }
    hit = found;
    showHit();
    return true;
}

void ReportPreviewDialogPrivate::showHit()
{
    if (hit->page != view->page())
        showPage(hit->page);
    else
        pageChanged();
    const QList<QRectF> hits = search->hitsOn(hit->page);
    const QRect box = view->boxInView(hits.at(hit->index));
    scroll->ensureVisible(box.center().x(), box.center().y(), box.width(), box.height() * 4);
    searchStatus->setText(QStringLiteral("Página %1: %2 de %3 nesta página")
                              .arg(hit->page + 1)
                              .arg(hit->index + 1)
                              .arg(hits.size()));
}

void ReportPreviewDialogPrivate::applyZoomChoice()
{
    const double factor = zoomBox->currentData().toDouble();
    const QSize room =
        scroll->viewport()->size() - QSize(scroll->verticalScrollBar()->sizeHint().width(), 0);
    view->setZoom(factor > 0 ? factor : view->zoomToFit(room, factor < 0));
}

// The next zoom percentage of the list above (or below) the zoom shown; the box shows it.
void ReportPreviewDialogPrivate::stepZoom(int direction)
{
    const double zoom = view->zoom();
    int chosen = -1;
    for (int i = 0; i < zoomBox->count(); ++i) {
        const double factor = zoomBox->itemData(i).toDouble();
        const bool beyond = direction > 0 ? factor > zoom + 0.001 : factor < zoom - 0.001;
        if (factor <= 0 || !beyond)
            continue;
        const double best = chosen < 0 ? 0 : zoomBox->itemData(chosen).toDouble();
        if (chosen < 0 || (direction > 0 ? factor < best : factor > best))
            chosen = i;
    }
    if (chosen >= 0)
        zoomBox->setCurrentIndex(chosen);
}

bool ReportPreviewDialogPrivate::runCommandKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Print)) {
        if (printButton->isEnabled())
            Dispatcher::run([this] { print(); });
    } else if (event->matches(QKeySequence::Save))
        Dispatcher::run([this] { saveAs(); });
    else if (event->matches(QKeySequence::Find))
        showSearchBar();
    else if (event->matches(QKeySequence::FindNext))
        find(searchText->text(), true);
    else if (event->matches(QKeySequence::FindPrevious))
        find(searchText->text(), false);
    else
        return false;
    return true;
}

bool ReportPreviewDialogPrivate::turnPage(const QKeyEvent* event, const QObject* target)
{
    // In an edit, Home and End move in its text; with Ctrl they go to the pages' ends.
    const bool editing =
        target == pageBox || target == searchText || (target && target->parent() == pageBox);
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageDown:
        showPage(view->page() + 1);
        return true;
    case Qt::Key_PageUp:
        showPage(view->page() - 1);
        return true;
    case Qt::Key_Home:
        if (editing && !control)
            return false;
        showPage(0);
        return true;
    case Qt::Key_End:
        if (editing && !control)
            return false;
        showPage(pages->pageCount() - 1);
        return true;
    default:
        return false;
    }
}

bool ReportPreviewDialogPrivate::wheelPastEnd(const QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    const QScrollBar* bar = scroll->verticalScrollBar();
    if (delta < 0 && bar->value() >= bar->maximum() && view->page() < pages->pageCount() - 1) {
        showPage(view->page() + 1);
        return true;
    }
    if (delta > 0 && bar->value() <= bar->minimum() && view->page() > 0) {
        showPage(view->page() - 1);
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        return true;
    }
    return false;
}

bool ReportPreviewDialogPrivate::filterEvent(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == searchText &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            find(searchText->text(), !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (watched == searchText && key->key() == Qt::Key_Escape) {
            searchBar->hide();
            view->setHighlights({}, -1);
            scroll->setFocus();
            return true;
        }
        // The page box and the scroll area would take the page keys for themselves.
        if (runCommandKey(key) || turnPage(key, watched))
            return true;
    }
    if (watched == scroll->viewport() && event->type() == QEvent::Wheel &&
        !(static_cast<QWheelEvent*>(event)->modifiers() & Qt::ControlModifier) &&
        wheelPastEnd(static_cast<QWheelEvent*>(event)))
        return true;
    if (watched == scroll->viewport() && event->type() == QEvent::Resize &&
        zoomBox->currentIndex() >= 0 && zoomBox->currentData().toDouble() <= 0)
        applyZoomChoice();
    return false;
}
