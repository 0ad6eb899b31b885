#include "report/output/ReportCsv.h"

#include "base/OutputFile.h"
#include "report/engine/ReportDocument.h"

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

} // namespace

class ReportCsv::Writer {
public:
    // The heading lines: the criteria when asked, then the column labels.
    Writer(const ReportDocument& document, const Options& options)
        : m_document(document),
          m_columns(static_cast<int>(document.labels.size() + document.exportLabels.size()))
    {
        if (options.criteria) {
            line({QStringLiteral("Relatório"), document.header.title}, false);
            line({QStringLiteral("Processamento"), document.header.processingDate}, false);
            for (const auto& [name, value] : document.header.fullCriteria)
                line({name, value}, false);
            line({}, false);
        }
        line(document.labels + document.exportLabels, false);
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

    void total(const QString& label, QStringList cells, const QString& states)
    {
        while (cells.size() < m_columns)
            cells << QString();
        // The label stands in the first column the total leaves empty.
        const qsizetype free = cells.indexOf(QString());
        line(labelled(cells, free < 0 ? 0 : free, label));
        if (!states.isEmpty())
            line(labelled(QStringList(), 0, states), false);
    }

    QString& text() { return m_text; }

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

    // A copy: the stream outlives the frame it was given.
    const ReportDocument m_document;
    int m_columns;
    QString m_text;
};

ReportCsv::Stream::Stream(const ReportDocument& frame, const Options& options, OutputFile& file)
    : m_writer(std::make_unique<Writer>(frame, options)), m_file(file), m_totals(options.totals)
{
}

ReportCsv::Stream::~Stream() = default;

void ReportCsv::Stream::place(const QVector<ReportPiece>& pieces, double)
{
    for (const ReportPiece& piece : pieces) {
        if (piece.kind == ReportPiece::Kind::Detail)
            m_writer->line(piece.cells);
        else if (m_totals && (piece.kind == ReportPiece::Kind::Subtotal ||
                              piece.kind == ReportPiece::Kind::GrandTotal))
            m_writer->total(piece.text, piece.cells, piece.states);
    }
    if (m_writer->text().size() >= 128 * 1024)
        flush();
}

void ReportCsv::Stream::flush()
{
    m_file.write(m_writer->text().toUtf8());
    m_writer->text().clear();
}

QString ReportCsv::text(const ReportDocument& document, const Options& options)
{
    Writer csv(document, options);
    if (!options.totals) {
        for (const QStringList& row : document.rows)
            csv.line(row);
        return csv.text();
    }
    using Kind = ReportDocument::Line::Kind;
    for (const ReportDocument::Page& page : document.pages) {
        for (const ReportDocument::Line& line : page.lines) {
            if (line.kind == Kind::Detail) {
                csv.line(document.rows.at(line.index));
            } else if (line.kind == Kind::Subtotal || line.kind == Kind::GrandTotal) {
                const ReportDocument::Total& total = document.totals.at(line.index);
                csv.total(total.label, total.cells, total.states);
            }
        }
    }
    return csv.text();
}

void ReportCsv::write(const ReportDocument& document, const QString& path, const Options& options)
{
    OutputFile file(path);
    file.write(text(document, options).toUtf8());
    file.commit();
}
