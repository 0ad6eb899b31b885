#include "report/ReportCsv.h"

#include "core/Exceptions.h"
#include "report/ReportDocument.h"

#include <QDir>
#include <QSaveFile>

namespace {

// What a spreadsheet takes for the start of a formula.
bool readsAsFormula(const QString& value)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !value.isEmpty() && starts.contains(value.front());
}

QString field(const QString& text, bool number)
{
    const QString value = !number && readsAsFormula(text) ? QLatin1Char('\'') + text : text;
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

class CsvWriter {
public:
    explicit CsvWriter(const ReportDocument& document)
        : m_document(document),
          m_columns(static_cast<int>(document.labels.size() + document.exportLabels.size()))
    {
    }

    // A line of cells; those of number columns are numbers.
    void line(const QStringList& cells, bool table = true)
    {
        QStringList fields;
        fields.reserve(cells.size());
        for (int c = 0; c < cells.size(); ++c)
            fields << field(cells.at(c), table && isNumber(c));
        m_text += fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }

    void total(const ReportDocument::Total& total)
    {
        QStringList cells = total.cells;
        while (cells.size() < m_columns)
            cells << QString();
        // The label stands in the first column the total leaves empty.
        const qsizetype free = cells.indexOf(QString());
        line(labelled(cells, free < 0 ? 0 : free, total.label));
        if (!total.states.isEmpty())
            line(labelled(QStringList(), 0, total.states), false);
    }

    QString text() const { return m_text; }

private:
    bool isNumber(int column) const
    {
        const ReportValueFormat format = m_document.formats.value(column);
        return format == ReportValueFormat::Money || format == ReportValueFormat::Integer;
    }

    QStringList labelled(QStringList cells, qsizetype at, const QString& label) const
    {
        while (cells.size() < m_columns)
            cells << QString();
        cells[at] = label;
        return cells;
    }

    const ReportDocument& m_document;
    int m_columns;
    QString m_text;
};

} // namespace

QString ReportCsv::text(const ReportDocument& document, const Options& options)
{
    CsvWriter csv(document);
    if (options.criteria) {
        csv.line({QStringLiteral("Relatório"), document.header.title}, false);
        csv.line({QStringLiteral("Processamento"), document.header.processingDate}, false);
        for (const auto& [name, value] : document.header.fullCriteria)
            csv.line({name, value}, false);
        csv.line({}, false);
    }
    csv.line(document.labels + document.exportLabels, false);
    if (!options.totals) {
        for (const QStringList& row : document.rows)
            csv.line(row);
        return csv.text();
    }
    using Kind = ReportDocument::Line::Kind;
    for (const ReportDocument::Page& page : document.pages) {
        for (const ReportDocument::Line& line : page.lines) {
            if (line.kind == Kind::Detail)
                csv.line(document.rows.at(line.index));
            else if (line.kind == Kind::Subtotal || line.kind == Kind::GrandTotal)
                csv.total(document.totals.at(line.index));
        }
    }
    return csv.text();
}

void ReportCsv::write(const ReportDocument& document, const QString& path, const Options& options)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text(document, options).toUtf8()) < 0 ||
        !file.commit())
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo '%1': %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
}
