#include "controls/ListPickerDialog.h"

#include "controls/PickerModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ListPickerDialog::ListPickerDialog(const Pesqlista::Request& request, QWidget* parent)
    : QDialog(parent), m_table(new QTableView(this)), m_search(new QLineEdit(this)),
      m_noResults(new QLabel(tr("nenhum resultado"), this)), m_count(new QLabel(this))
{
    const int bar = request.title.indexOf(QLatin1Char('|'));
    const QString title = (bar < 0 ? request.title : request.title.left(bar)).trimmed();
    const QString explanation = bar < 0 ? QString() : request.title.mid(bar + 1).trimmed();
    setWindowTitle(title);
    setObjectName(QStringLiteral("listPicker"));

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Confirmar"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Ca&ncelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_noResults->setObjectName(QStringLiteral("noResults"));
    m_noResults->setAlignment(Qt::AlignCenter);
    m_noResults->hide();
    m_count->setObjectName(QStringLiteral("markedCount"));

    if (request.table.keys.isEmpty()) {
        auto* empty = new QLabel(
            explanation.isEmpty() ? tr("Não há registros para selecionar.") : explanation, this);
        empty->setObjectName(QStringLiteral("emptyExplanation"));
        empty->setWordWrap(true);
        layout->addWidget(empty);
        buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
        m_table->hide();
        m_search->hide();
        m_count->hide();
        layout->addWidget(buttons);
        return;
    }

    m_model = new PickerModel(request.table, request.marked, this);
    m_filter = new PickerFilter(this);
    m_filter->setSourceModel(m_model);

    m_search->setPlaceholderText(tr("Localizar (código ou nome)..."));
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, this, &ListPickerDialog::search);
    m_search->installEventFilter(this);
    layout->addWidget(m_search);

    m_table->setObjectName(QStringLiteral("rows"));
    m_table->setModel(m_filter);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::MultiSelection);
    m_table->verticalHeader()->hide();
    // Rows of one height and columns sized from the rows in view: nothing is measured row
    // by row, whatever the list holds.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setResizeContentsPrecision(50);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();
    m_table->installEventFilter(this);
    showMarks();
    m_table->selectionModel()->setCurrentIndex(m_filter->index(0, 0),
                                               QItemSelectionModel::NoUpdate);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListPickerDialog::marksChanged);
    connect(m_table, &QTableView::doubleClicked, this, &QDialog::accept);
    layout->addWidget(m_table);
    layout->addWidget(m_noResults);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    updateCount();
    resize(520, 360);
    m_table->setFocus();
}

ListPickerDialog::~ListPickerDialog() = default;

QStringList ListPickerDialog::markedKeys() const
{
    return m_model ? m_model->markedKeys() : QStringList();
}

int ListPickerDialog::markedCount() const
{
    return m_model ? m_model->markedCount() : 0;
}

void ListPickerDialog::search(const QString& text)
{
    m_showingMarks = true;
    m_table->selectionModel()->clear();
    m_filter->setSearch(text);
    m_showingMarks = false;
    showMarks();
    if (m_filter->rowCount() > 0)
        m_table->selectionModel()->setCurrentIndex(m_filter->index(0, 0),
                                                   QItemSelectionModel::NoUpdate);
    m_noResults->setVisible(m_filter->rowCount() == 0);
}

void ListPickerDialog::showMarks()
{
    // One selection of the runs of marked rows in view.
    QItemSelection selection;
    const int rows = m_filter->rowCount();
    const int lastColumn = m_filter->columnCount() - 1;
    int runStart = -1;
    for (int row = 0; row <= rows; ++row) {
        const bool marked =
            row < rows && m_model->isMarked(m_filter->mapToSource(m_filter->index(row, 0)).row());
        if (marked && runStart < 0)
            runStart = row;
        if (!marked && runStart >= 0) {
            selection.append(QItemSelectionRange(m_filter->index(runStart, 0),
                                                 m_filter->index(row - 1, lastColumn)));
            runStart = -1;
        }
    }
    m_showingMarks = true;
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_showingMarks = false;
}

void ListPickerDialog::marksChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected)
{
    if (m_showingMarks)
        return;
    const auto mark = [this](const QItemSelection& ranges, bool marked) {
        for (const QItemSelectionRange& range : ranges)
            for (int row = range.top(); row <= range.bottom(); ++row)
                m_model->setMarked(m_filter->mapToSource(m_filter->index(row, 0)).row(), marked);
    };
    mark(deselected, false);
    mark(selected, true);
    updateCount();
}

void ListPickerDialog::toggleCurrentRow()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    m_table->selectionModel()->select(current,
                                      QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void ListPickerDialog::updateCount()
{
    m_count->setText(tr("%1 de %2 marcados   (Espaço marca ou desmarca, Ctrl+A marca os da lista)")
                         .arg(m_model->markedCount())
                         .arg(m_model->rowCount()));
}

bool ListPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_table && key->key() == Qt::Key_Space) {
        toggleCurrentRow();
        return true;
    }
    if (watched == m_table && key->text().size() == 1 && key->text().at(0).isPrint() &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Typing over the list searches it.
        m_search->setFocus();
        m_search->setText(m_search->text() + key->text());
        return true;
    }
    if (watched == m_search && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
        m_table->setFocus();
        return false;
    }
    return QDialog::eventFilter(watched, event);
}
