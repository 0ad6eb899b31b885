#include "controls/Pesqlista.h"

#include "base/Exceptions.h"
#include "controls/ListPickerDialog.h"
#include "data/Dbgeral.h"
#include "data/TADOIBQuery.h"
#include "data/TDataSource.h"
#include "data/TField.h"

#include <QApplication>
#include <utility>

namespace {
Pesqlista::Implementation& implementation()
{
    static Pesqlista::Implementation instance;
    return instance;
}

std::optional<QStringList> showDialog(const Pesqlista::Request& request)
{
    ListPickerDialog dialog(request, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.markedKeys();
}
} // namespace

void Pesqlista::SetImplementation(Implementation replacement)
{
    implementation() = std::move(replacement);
}

Pesqlista::ScopedImplementation::ScopedImplementation(Implementation replacement)
    : m_previous(std::exchange(implementation(), std::move(replacement)))
{
}

Pesqlista::ScopedImplementation::~ScopedImplementation()
{
    implementation() = std::move(m_previous);
}

Pesqlista::Marking Pesqlista::mark(const Request& request, const QStringList& codes)
{
    QStringList asked;
    for (const QString& code : codes)
        asked << code.trimmed();
    Marking marking;
    QStringList found;
    for (const QString& key : request.table.keys) {
        if (asked.contains(key.trimmed())) {
            marking.marked << key;
            found << key.trimmed();
        }
    }
    for (const QString& code : codes)
        if (!found.contains(code.trimmed()) && !marking.missing.contains(code))
            marking.missing << code;
    return marking;
}

Pesqlista::PickerTable Pesqlista::tableOf(TDataSource* source, const QString& keyField)
{
    TADOIBQuery* query = source ? source->DataSet() : nullptr;
    if (!query)
        throw Exception(QStringLiteral("A lista de seleção não tem origem de dados."));
    PickerTable table;
    QList<TField*> visible;
    for (TField* field : query->Fields()) {
        if (field->Visible) {
            visible << field;
            table.columns << field->Label();
            table.fieldNames << field->FieldName;
        }
    }
    TField* key = query->FieldByName(keyField);
    const int previous = query->RecNo();
    for (int row = 0; row < query->RecordCount(); ++row) {
        query->SetRecNo(row);
        table.keys << key->StoredString(); // the code as stored; only the cells are display
        QStringList cells;
        for (TField* field : std::as_const(visible))
            cells << field->DisplayText();
        table.cells << cells;
    }
    query->SetRecNo(previous);
    return table;
}

bool Pesqlista::PesquisaLista(TDataSource* source, const QString& keyField, const QString& title,
                              bool flag, QString& list)
{
    Request request{title, keyField, flag, tableOf(source, keyField), Dbgeral::codesOf(list)};
    const std::optional<QStringList> marked =
        implementation() ? implementation()(request) : showDialog(request);
    if (!marked)
        return false;
    list = Dbgeral::codeList(*marked);
    return true;
}
