#include "report/output/ReportCsv.h"

#include "report/engine/ReportBody.h"
#include "report/engine/ReportFrame.h"

#include <QRegularExpression>

namespace {

// What a spreadsheet takes for the start of a formula.
bool readsAsFormula(const QString& value)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !value.isEmpty() && starts.contains(value.front());
}

// A code of digits, which a spreadsheet would read as a number and strip of its zeros.
bool looksNumeric(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\s*[0-9]+\\s*$"));
    return digits.match(text).hasMatch();
}

// Appends the cell as a field: quoted when it holds the separator, a quote or a line break;
// a text a spreadsheet would take for a formula goes with a quote mark before it. Most cells
// need neither and are appended as they are.
void appendField(QString& out, const QString& text, bool number)
{
    const bool formula = !number && readsAsFormula(text);
    bool quoted = false;
    for (const QChar c : text)
        if (c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r')) {
            quoted = true;
            break;
        }
    if (!quoted) {
        if (formula)
            out += QLatin1Char('\'');
        out += text;
        return;
    }
    out += QLatin1Char('"');
    if (formula)
        out += QLatin1Char('\'');
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

// The text is written out in pieces of about this size.
constexpr qsizetype flushSize = 128 * 1024;

} // namespace

// The CSV's lines as the body passes: the heading lines at once, then the rows (and totals).
class ReportCsv::Stream : public ReportBodySink {
public:
    Stream(const ReportFrame& frame, const Options& options, OutputFile& file)
        : m_formats(frame.formats),
          m_columns(static_cast<int>(frame.labels.size() + frame.exportLabels.size())),
          m_totals(options.totals), m_excel(options.excel), m_file(file)
    {
        if (m_excel)
            m_text += QChar(0xFEFF);
        if (options.criteria) {
            line({QStringLiteral("Relatório"), frame.header.title}, false);
            line({QStringLiteral("Processamento"), frame.header.processingDate}, false);
            for (const auto& [name, value] : frame.header.fullCriteria)
                line({name, value}, false);
            line({}, false);
        }
        line(frame.labels + frame.exportLabels, false);
    }

    void place(const QVector<ReportPiece>& pieces, double) override
    {
        for (const ReportPiece& piece : pieces) {
            if (piece.kind == ReportPiece::Kind::Detail)
                line(piece.cells);
            else if (m_totals && (piece.kind == ReportPiece::Kind::Subtotal ||
                                  piece.kind == ReportPiece::Kind::GrandTotal))
                total(piece.text, piece.cells, piece.states);
            else if (m_totals && piece.kind == ReportPiece::Kind::Note)
                line(labelled(QStringList(), 0, piece.text), false);
        }
        if (m_text.size() >= flushSize)
            flush();
    }
    void openHeading(const QString&) override {}
    void closeHeading() override {}

    // Writes what is still buffered; raises when the file cannot be written.
    void flush()
    {
        m_file.write(m_text.toUtf8());
        m_text.clear();
    }

private:
    // A line of cells; those of number columns are numbers.
    void line(const QStringList& cells, bool table = true)
    {
        for (int c = 0; c < cells.size(); ++c) {
            if (c > 0)
                m_text += QLatin1Char(';');
            if (table && m_excel && m_formats.value(c) == ReportValueFormat::Code &&
                looksNumeric(cells.at(c)))
                m_text += QStringLiteral("=\"%1\"").arg(cells.at(c));
            else
                appendField(m_text, cells.at(c), table && isNumber(c));
        }
        m_text += QLatin1String("\r\n");
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

    bool isNumber(int column) const
    {
        const ReportValueFormat format = m_formats.value(column);
        return format == ReportValueFormat::Money || format == ReportValueFormat::Integer;
    }

    QStringList labelled(QStringList cells, qsizetype at, const QString& label) const
    {
        while (cells.size() < m_columns)
            cells << QString();
        cells[at] = label;
        return cells;
    }

    QVector<ReportValueFormat> m_formats;
    int m_columns;
    bool m_totals;
    bool m_excel;
    OutputFile& m_file;
    QString m_text;
};

ReportCsv::ReportCsv(const QString& path, const QStringList& untouchable)
    : ReportFileOutput(path, untouchable)
{
}

ReportCsv::~ReportCsv() = default;

ReportBodySink* ReportCsv::body(const ReportFrame& frame, const Options& options)
{
    m_stream = std::make_unique<Stream>(frame, options, file());
    return m_stream.get();
}

void ReportCsv::write(const ReportPages&, const Options&, ReportProgress&)
{
    m_stream->flush();
}
