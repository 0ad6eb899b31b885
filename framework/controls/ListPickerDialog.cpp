#include "controls/ListPickerDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

ListPickerDialog::ListPickerDialog(const Pesqlista::Request& request, QWidget* parent)
    : QDialog(parent), m_keys(request.table.keys), m_table(new QTableWidget(this)),
      m_search(new QLineEdit(this)), m_count(new QLabel(this))
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

    if (m_keys.isEmpty()) {
        auto* empty = new QLabel(explanation.isEmpty() ? tr("Não há registros para selecionar.")
                                                       : explanation,
                                 this);
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

    m_search->setPlaceholderText(tr("Localizar..."));
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textEdited, this, &ListPickerDialog::findRow);
    m_search->installEventFilter(this);
    layout->addWidget(m_search);

    m_table->setObjectName(QStringLiteral("rows"));
    m_table->setColumnCount(request.table.columns.size());
    m_table->setHorizontalHeaderLabels(request.table.columns);
    m_table->setRowCount(m_keys.size());
    for (int row = 0; row < m_keys.size(); ++row) {
        const QStringList& cells = request.table.cells.at(row);
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::MultiSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();
    m_table->installEventFilter(this);
    for (int row = 0; row < m_keys.size(); ++row)
        if (request.marked.contains(m_keys.at(row)))
            m_table->selectRow(row);
    m_table->setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ListPickerDialog::updateCount);
    connect(m_table, &QTableWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(m_table);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    updateCount();
    resize(520, 360);
    m_table->setFocus();
}

QStringList ListPickerDialog::markedKeys() const
{
    QStringList keys;
    for (int row = 0; row < m_keys.size(); ++row)
        if (m_table->selectionModel()->isRowSelected(row, QModelIndex()))
            keys << m_keys.at(row);
    return keys;
}

void ListPickerDialog::findRow(const QString& text)
{
    if (text.isEmpty())
        return;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        for (int column = 0; column < m_table->columnCount(); ++column) {
            const QTableWidgetItem* item = m_table->item(row, column);
            if (item && item->text().contains(text, Qt::CaseInsensitive)) {
                m_table->setCurrentCell(row, column, QItemSelectionModel::NoUpdate);
                m_table->scrollToItem(item);
                return;
            }
        }
    }
}

void ListPickerDialog::toggleCurrentRow()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    const bool marked = m_table->selectionModel()->isRowSelected(row, QModelIndex());
    m_table->selectionModel()->select(m_table->model()->index(row, 0),
                                      (marked ? QItemSelectionModel::Deselect
                                              : QItemSelectionModel::Select) |
                                          QItemSelectionModel::Rows);
}

void ListPickerDialog::updateCount()
{
    m_count->setText(tr("%1 de %2 marcados   (Espaço marca ou desmarca, Ctrl+A marca todos)")
                         .arg(markedKeys().size())
                         .arg(m_keys.size()));
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
        findRow(m_search->text());
        return true;
    }
    if (watched == m_search && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
        m_table->setFocus();
        return false;
    }
    return QDialog::eventFilter(watched, event);
}
