#include "report/engine/ReportLayouter.h"

#include "base/Exceptions.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportProgress.h"
#include "report/engine/ReportTotals.h"

#include <QFileInfo>
#include <QPageSize>
#include <QSet>
#include <functional>

namespace {

using Measure = std::function<double(const QString&)>;

constexpr double columnHeadingHeight = 14.0;
// Measured widths get this much more, against rounding on the painting device.
constexpr double measureSlack = 1.0;
// A text column is never narrower than this.
constexpr double narrowestText = 12.0;
// The title's largest and smallest point sizes, and its steps in between.
constexpr double titleLargest = 11.0;
constexpr double titleSmallest = 7.0;
constexpr double titleStep = 0.5;

Measure measureIn(ReportFonts::Role role)
{
    const QFont font = ReportFonts::font(role);
    return [font](const QString& text) { return ReportFonts::width(font, text); };
}

// Splits the text at blanks into lines no wider than the width (a word wider than the width
// stands alone); past the most lines, the last one ends in "…".
QStringList wrapped(const QString& text, double width, const Measure& measure, int most = 1000)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && measure(candidate) > width) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    if (!line.isEmpty() || lines.isEmpty())
        lines << line;
    if (lines.size() > most) {
        lines = lines.mid(0, most);
        lines.last() += QStringLiteral(" …");
    }
    return lines;
}

// The title on one line at its full size, else on two lines at the largest size where they
// fit; at the smallest size a title still too long ends in "…".
void fitTitle(ReportDocument& document, double width)
{
    const QString& title = document.header.title;
    QFont font = ReportFonts::font(ReportFonts::Role::Title);
    for (double size = titleLargest; size >= titleSmallest - 0.001; size -= titleStep) {
        font.setPointSizeF(size);
        const Measure measure = [&font](const QString& text) {
            return ReportFonts::width(font, text);
        };
        const QStringList lines = wrapped(title, width, measure);
        bool fits = lines.size() <= 2;
        for (const QString& line : lines)
            fits = fits && measure(line) <= width;
        if (fits || size - titleStep < titleSmallest - 0.001) {
            document.titleLines = lines.mid(0, 2);
            if (!fits)
                document.titleLines.last() =
                    ReportFonts::elided(font, lines.mid(1).join(QLatin1Char(' ')), width);
            document.titleSize = size;
            break;
        }
    }
    document.titleHeight =
        std::max(18.0, document.titleLines.size() * document.titleSize * 1.3 + 3);
}

// The company names, sorted, with their count when there are many.
QString companiesText(QStringList names)
{
    names.sort(Qt::CaseInsensitive);
    const QString list = names.join(QStringLiteral("; "));
    return names.size() > 3 ? QStringLiteral("(%1) %2").arg(names.size()).arg(list) : list;
}

QStringList companyLinesOf(const ReportDocument::Header& header, double width)
{
    return wrapped(QStringLiteral("Empresas: ") +
                       (header.companies.isEmpty() ? QStringLiteral("—") : header.companies),
                   width - ReportLayouter::processingTextWidth(header),
                   measureIn(ReportFonts::Role::Small), ReportLayouter::companyLinesAtMost);
}

// Where the body begins under a header of the lines.
double bodyTopFor(const ReportDocument& document, qsizetype companyLines)
{
    const qsizetype lines =
        document.subtitleLines.size() + companyLines + document.criteriaLines.size();
    return ReportLayouter::margin + document.titleHeight +
           ReportLayouter::headerLineHeight * lines + columnHeadingHeight + 4;
}

// The header block but the company names: title, subtitle, criteria.
void layOutHeader(ReportDocument& document, const ReportDefinition& definition, double width)
{
    const auto& header = document.header;
    const QString pages = QStringLiteral("Página 88888 de 88888");
    const QString codes = header.screenCode + QStringLiteral(" · ") + header.reportCode;
    document.titleSide = std::max(ReportFonts::width(ReportFonts::Role::Small, pages),
                                  ReportFonts::width(ReportFonts::Role::Small, codes)) +
                         12;
    fitTitle(document, width - 2 * document.titleSide);
    const Measure small = measureIn(ReportFonts::Role::Small);
    if (!definition.subtitle.isEmpty())
        document.subtitleLines = wrapped(definition.subtitle, width, small, 2);
    document.criteriaLines = wrapped(QStringLiteral("Critérios: ") + header.criteria, width, small,
                                     ReportLayouter::criteriaLinesAtMost);
}

// Column widths: each number or date column at least as wide as its widest text (widest[c],
// measured), the text columns sharing what is left in their declared proportions.
void layOutColumns(ReportDocument& document, const QList<ReportDefinition::Column>& columns,
                   const QVector<double>& widest, double left, double width,
                   const QString& sourceName)
{
    const int count = static_cast<int>(columns.size());
    double shares = 0;
    for (const auto& column : columns)
        shares += column.width;
    QVector<double> widths(count);
    double used = 0;
    double textShare = 0;
    int textColumns = 0;
    for (int c = 0; c < count; ++c) {
        const double declared = width * columns.at(c).width / shares;
        if (document.elides(c)) {
            widths[c] = declared;
            textShare += declared;
            ++textColumns;
        } else {
            const double label = ReportFonts::width(ReportFonts::Role::Bold, columns.at(c).label);
            widths[c] = std::max(declared, std::max(widest.at(c), label) +
                                               2 * ReportLayouter::cellPadding + measureSlack);
        }
        used += widths.at(c);
    }
    if (used > width) {
        const double textRoom = textShare - (used - width);
        if (textColumns == 0 || textRoom < textColumns * narrowestText)
            throw Exception(QStringLiteral("%1: as colunas de números e datas não cabem na "
                                           "largura da página.")
                                .arg(sourceName));
        for (int c = 0; c < count; ++c)
            if (document.elides(c))
                widths[c] *= textRoom / textShare;
    }
    double x = left;
    for (int c = 0; c < count; ++c) {
        document.columnLeft << x;
        document.columnWidth << widths.at(c);
        x += widths.at(c);
    }
}

// A text with {FIELD} placeholders (a group's heading or footer), read once: the literal
// parts and the fields between them, filled from each row that needs it.
class FilledText {
public:
    FilledText(const QString& text, const QStringList& fields)
    {
        qsizetype from = 0;
        for (const ReportDefinition::Placeholder& placeholder :
             ReportDefinition::placeholders(text)) {
            m_literals << text.mid(from, placeholder.start - from);
            m_fields << static_cast<int>(fields.indexOf(placeholder.field.toUpper()));
            from = placeholder.end;
        }
        m_literals << text.mid(from);
    }

    // The text for the row; a placeholder of no field of the rows stays empty.
    QString operator()(const QList<ReportValueFormat>& formats, const QVector<QVariant>& row) const
    {
        QString result = m_literals.first();
        for (int i = 0; i < m_fields.size(); ++i) {
            const int field = m_fields.at(i);
            if (field >= 0 && field < row.size())
                result += ReportFormat::text(row.at(field), formats.at(field));
            result += m_literals.at(i + 1);
        }
        return result;
    }

private:
    QStringList m_literals;
    QVector<int> m_fields;
};

QString sourceNameOf(const ReportDefinition& definition)
{
    return definition.filePath.isEmpty() ? definition.title
                                         : QFileInfo(definition.filePath).fileName();
}

} // namespace

// Lays the rows out as they pass: group headings, detail lines, subtotals with their state
// summaries and the grand total. A row is placed once the next row shows which groups close
// after it, so that those closing lines stay on its page.
class ReportLayouter::Body {
public:
    Body(const ReportDefinition& definition, const QStringList& fields,
         const QList<ReportValueFormat>& formats, const QList<ReportDefinition::Column>& columns,
         ReportDocument& document)
        : m_definition(definition), m_formats(formats), m_columns(columns), m_document(document),
          m_states(definition), m_bodyWidth(document.pageSize.width() - document.margins.left() -
                                            document.margins.right()),
          m_bodyWidths(ReportFonts::font(ReportFonts::Role::Body)),
          m_boldWidths(ReportFonts::font(ReportFonts::Role::Bold)),
          m_smallWidths(ReportFonts::font(ReportFonts::Role::Small)),
          m_summaryMeasure([this](const QString& text) { return m_smallWidths(text); })
    {
        const auto indexOf = [&fields](const QString& field) {
            return static_cast<int>(fields.indexOf(field.toUpper()));
        };
        for (const auto& column : columns)
            m_fieldOf << indexOf(column.field);
        for (const auto& column : definition.exportColumns)
            m_fieldOf << indexOf(column.field);
        m_widest.fill(0, columns.size());
        for (const QString& field : definition.sums) {
            for (int c = 0; c < columns.size(); ++c)
                if (columns.at(c).field.compare(field, Qt::CaseInsensitive) == 0)
                    m_sumColumn << c;
            if (m_amountSum < 0 && definition.column(field)->format == ReportValueFormat::Money)
                m_amountSum = static_cast<int>(m_sumField.size());
            m_sumField << indexOf(field);
        }
        for (const auto& group : definition.groups) {
            m_groupField << indexOf(group.field);
            m_headings << FilledText(group.heading, fields);
            m_footers << FilledText(group.footer, fields);
        }
        m_stateField = indexOf(definition.stateField);
        m_companyField = definition.companyField.isEmpty() ? -1 : indexOf(definition.companyField);
        m_open.resize(m_groupField.size());
        m_grand = ReportTally(static_cast<int>(m_sumField.size()));
    }

    void addRow(const QVector<QVariant>& row, ReportBodySink& sink)
    {
        QStringList cells;
        cells.reserve(m_fieldOf.size());
        for (int c = 0; c < m_fieldOf.size(); ++c) {
            const int field = m_fieldOf.at(c);
            cells << (field >= 0 ? ReportFormat::text(row.at(field), m_formats.at(field))
                                 : QString());
            if (c < m_widest.size() && !m_document.elides(c))
                m_widest[c] = std::max(m_widest.at(c), m_bodyWidths(cells.last()));
        }
        if (m_companyField >= 0) {
            const QString name = row.at(m_companyField).toString();
            if (!name.isEmpty())
                m_companies.insert(name);
        }

        // The outermost group whose key changes here closes with all inside it.
        const int levels = static_cast<int>(m_groupField.size());
        int changed = m_rows == 0 ? 0 : levels;
        for (int level = 0; m_rows > 0 && level < levels; ++level) {
            const int field = m_groupField.at(level);
            if (field >= 0 && row.at(field) != m_pendingRow.at(field)) {
                changed = level;
                break;
            }
        }
        if (m_rows > 0)
            placePending(changed, false, sink);
        for (int level = changed; level < levels; ++level) {
            const auto& group = m_definition.groups.at(level);
            m_open[level] = {ReportTally(static_cast<int>(m_sumField.size())), m_rows,
                             m_footers.at(level)(m_formats, row), !group.heading.isEmpty()};
            if (group.heading.isEmpty())
                continue;
            ReportPiece heading{ReportPiece::Kind::GroupHeading,
                                ReportLayouter::headingHeight,
                                m_headings.at(level)(m_formats, row),
                                {},
                                {}};
            m_pendingHeadings << heading;
        }
        countRow(row);
        m_pendingRow = row;
        m_pendingCells = std::move(cells);
        ++m_rows;
    }

    void finish(ReportBodySink& sink)
    {
        if (m_rows > 0) {
            placePending(0, true, sink);
        } else {
            QVector<ReportPiece> pieces{
                {ReportPiece::Kind::Empty, ReportLayouter::detailHeight * 2, {}, {}, {}}};
            pieces << grandTotal();
            sink.place(pieces, 0);
        }
    }

    int rows() const { return m_rows; }
    const QVector<double>& widest() const { return m_widest; }
    QStringList companies() const { return QStringList(m_companies.begin(), m_companies.end()); }

private:
    // One open group: its totals, its first row, its footer, and whether it has a heading.
    struct OpenGroup {
        ReportTally tally;
        int firstRow = 0;
        QString footer;
        bool headed = false;
    };

    void countRow(const QVector<QVariant>& row)
    {
        QVector<qint64>& values = m_values;
        values.resize(m_sumField.size());
        for (int s = 0; s < m_sumField.size(); ++s) {
            const QVariant& value = m_sumField.at(s) >= 0 ? row.at(m_sumField.at(s)) : QVariant();
            values[s] = value.isNull() ? 0 : value.toLongLong();
        }
        const int slot =
            m_states.any()
                ? m_states.slotOf(m_stateField >= 0 ? row.at(m_stateField).toString() : QString())
                : -1;
        const bool adds = m_states.adds(slot);
        const qint64 amount = m_amountSum >= 0 ? values.at(m_amountSum) : 0;
        m_grand.add(values, adds, slot, amount);
        for (OpenGroup& group : m_open)
            group.tally.add(values, adds, slot, amount);
    }

    // Places the row waiting with the headings of the groups it opens, then the closing lines
    // of the groups from the level changed inward (and the grand total after the last row),
    // all on one page.
    void placePending(int changed, bool last, ReportBodySink& sink)
    {
        QVector<ReportPiece> closing;
        const int levels = static_cast<int>(m_groupField.size());
        for (int level = levels - 1; level >= changed; --level)
            if (!m_open.at(level).footer.isEmpty() && !repeatsEnclosingTotal(level, changed))
                closing << total(m_open.at(level).footer, m_open.at(level).tally,
                                 ReportPiece::Kind::Subtotal, ReportLayouter::subtotalHeight);
        if (last)
            closing << grandTotal();
        double room = 0;
        for (const ReportPiece& piece : std::as_const(closing))
            room += piece.height;

        m_pendingHeadings << ReportPiece{ReportPiece::Kind::Detail,
                                         ReportLayouter::detailHeight,
                                         {},
                                         std::move(m_pendingCells),
                                         {}};
        sink.place(m_pendingHeadings, room);
        m_pendingHeadings.removeLast();
        for (const ReportPiece& heading : std::as_const(m_pendingHeadings))
            sink.openHeading(heading.text);
        m_pendingHeadings.clear();
        if (!closing.isEmpty())
            sink.place(closing, 0);
        for (int level = levels - 1; level >= changed; --level)
            if (m_open.at(level).headed)
                sink.closeHeading();
    }

    // A footer that would total the very rows of a group around it that also closes here and
    // prints its own footer is left out: the same total twice in a row says nothing.
    bool repeatsEnclosingTotal(int level, int changed) const
    {
        for (int outer = level - 1; outer >= changed; --outer) {
            if (m_open.at(outer).firstRow != m_open.at(level).firstRow)
                return false;
            if (!m_open.at(outer).footer.isEmpty())
                return true;
        }
        return false;
    }

    QVector<ReportPiece> grandTotal()
    {
        return total(QStringLiteral("Total geral"), m_grand, ReportPiece::Kind::GrandTotal,
                     ReportLayouter::grandTotalHeight);
    }

    // A total line and its state summary lines.
    QVector<ReportPiece> total(const QString& label, const ReportTally& tally,
                               ReportPiece::Kind kind, double height)
    {
        ReportPiece total{kind, static_cast<float>(height), label, {}, {}};
        if (!m_definition.countPlural.isEmpty())
            total.text +=
                QStringLiteral(" — %1 %2")
                    .arg(ReportFormat::integer(tally.count),
                         tally.count == 1 ? m_definition.countSingular : m_definition.countPlural);
        for (int c = 0; c < m_columns.size(); ++c)
            total.cells << QString();
        for (int s = 0; s < m_sumColumn.size(); ++s) {
            const int c = m_sumColumn.at(s);
            total.cells[c] = m_columns.at(c).format == ReportValueFormat::Money
                                 ? ReportFormat::money(tally.sums.at(s))
                                 : ReportFormat::integer(tally.sums.at(s));
            m_widest[c] = std::max(m_widest.at(c), m_boldWidths(total.cells.at(c)));
        }
        if (m_states.any())
            total.states = m_states.summary(tally, m_amountSum >= 0);
        QVector<ReportPiece> pieces{total};
        if (total.states.isEmpty())
            return pieces;
        for (const QString& line :
             wrapped(total.states,
                     m_bodyWidth - ReportLayouter::summaryIndent - 2 * ReportLayouter::cellPadding,
                     m_summaryMeasure))
            pieces << ReportPiece{
                ReportPiece::Kind::StateSummary, ReportLayouter::detailHeight, line, {}, {}};
        return pieces;
    }

    const ReportDefinition& m_definition;
    const QList<ReportValueFormat>& m_formats;
    const QList<ReportDefinition::Column>& m_columns;
    const ReportDocument& m_document;
    ReportStates m_states;
    double m_bodyWidth;
    ReportFonts::CharacterWidths m_bodyWidths;
    ReportFonts::CharacterWidths m_boldWidths;
    ReportFonts::CharacterWidths m_smallWidths;
    Measure m_summaryMeasure;
    // The data field of each printed then exported column; -1 when the query lacks it.
    QVector<int> m_fieldOf;
    // The widest text of each printed column of numbers or dates, in points.
    QVector<double> m_widest;
    QVector<int> m_sumColumn;
    QVector<int> m_sumField;
    // The sum a state's amount is: the first money one; -1 when none.
    int m_amountSum = -1;
    QVector<int> m_groupField;
    QVector<FilledText> m_headings;
    QVector<FilledText> m_footers;
    int m_stateField = -1;
    int m_companyField = -1;
    QSet<QString> m_companies;
    QVector<OpenGroup> m_open;
    ReportTally m_grand;
    // The summed values of the row being counted.
    QVector<qint64> m_values;
    int m_rows = 0;
    // The row read but not yet placed, its cells, and the headings of the groups it opens.
    QVector<QVariant> m_pendingRow;
    QStringList m_pendingCells;
    QVector<ReportPiece> m_pendingHeadings;
};

double ReportLayouter::processingTextWidth(const ReportDocument::Header& header)
{
    return ReportFonts::width(ReportFonts::Role::Small, processingText(header)) + 8;
}

QString ReportLayouter::processingText(const ReportDocument::Header& header)
{
    return QStringLiteral("Processamento: ") + header.processingDate;
}

ReportLayouter::ReportLayouter(const ReportDefinition& definition, const QStringList& fields,
                               const QList<ReportValueFormat>& formats,
                               const ReportDocument::Header& header)
    : m_definition(definition), m_fields(fields), m_formats(formats)
{
    for (QString& field : m_fields)
        field = field.toUpper();
    ReportDocument& document = m_frame;
    document.header = header;
    document.landscape = definition.orientation == ReportDefinition::Orientation::Landscape;
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    document.pageSize = document.landscape ? a4.transposed() : a4;
    document.margins = QMarginsF(margin, margin, margin, margin);
    document.lineHeight = detailHeight;
    const double width = document.pageSize.width() - 2 * margin;

    // Columns: the definition's, or every field as text.
    m_columns = definition.columns;
    if (m_columns.isEmpty()) {
        for (const QString& field : std::as_const(m_fields))
            m_columns.append({field, field, 10, Qt::AlignLeft, ReportValueFormat::Text, 0});
    }
    for (const auto& column : std::as_const(m_columns)) {
        document.labels << column.label;
        document.formats << column.format;
        document.alignments << static_cast<int>(column.alignment);
    }
    for (const auto& column : definition.exportColumns) {
        document.exportLabels << column.label;
        document.formats << column.format;
    }
    layOutHeader(document, definition, width);
    if (definition.companyField.isEmpty()) {
        document.companyLines = companyLinesOf(header, width);
        m_bodyTops << bodyTopFor(document, document.companyLines.size());
    } else {
        for (int lines = 1; lines <= companyLinesAtMost; ++lines)
            m_bodyTops << bodyTopFor(document, lines);
    }
    document.bodyTop = m_bodyTops.first();
    m_body = std::make_unique<Body>(m_definition, m_fields, m_formats, m_columns, m_frame);
}

ReportLayouter::~ReportLayouter() = default;

double ReportLayouter::bodyBottom() const
{
    return m_frame.pageSize.height() - m_frame.margins.bottom();
}

QString ReportLayouter::sourceName() const
{
    return sourceNameOf(m_definition);
}

void ReportLayouter::addRow(const QVector<QVariant>& row, ReportBodySink& body)
{
    m_body->addRow(row, body);
}

int ReportLayouter::rowCount() const
{
    return m_body->rows();
}

const ReportDocument& ReportLayouter::finish(ReportBodySink& body)
{
    m_body->finish(body);
    ReportDocument& document = m_frame;
    const double width = document.pageSize.width() - 2 * margin;
    if (!m_definition.companyField.isEmpty()) {
        document.header.companies = companiesText(m_body->companies());
        document.companyLines = companyLinesOf(document.header, width);
        document.bodyTop = bodyTopFor(document, document.companyLines.size());
    }
    layOutColumns(document, m_columns, m_body->widest(), document.margins.left(), width,
                  sourceNameOf(m_definition));
    return document;
}

ReportDocument ReportLayouter::layout(const ReportDefinition& definition, const ReportData& data,
                                      const ReportDocument::Header& header,
                                      ReportProgress& progress)
{
    ReportLayouter layouter(definition, data.fields, data.formats, header);
    ReportPages pages(layouter.possibleBodyTops(), layouter.bodyBottom(), layouter.sourceName());
    for (const QVector<QVariant>& row : data.rows) {
        layouter.addRow(row, pages);
        progress.checkCancel();
    }
    pages.finish(layouter.finish(pages), layouter.rowCount());
    return pages.document();
}
