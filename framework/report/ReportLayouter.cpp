#include "report/ReportLayouter.h"

#include "core/Exceptions.h"
#include "report/ReportFonts.h"
#include "report/ReportPaginator.h"
#include "report/ReportProgress.h"
#include "report/ReportTotals.h"

#include <QFileInfo>
#include <QPageSize>
#include <QRegularExpression>
#include <functional>

namespace {

using Line = ReportDocument::Line;
using Piece = ReportPaginator::Piece;
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

// The distinct company names of the rows, sorted, with their count when there are many.
QString companiesOf(const ReportData& data, int field)
{
    if (field < 0)
        return QString();
    QStringList names;
    for (const QVector<QVariant>& row : data.rows) {
        const QString name = row.at(field).toString();
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    names.sort(Qt::CaseInsensitive);
    const QString list = names.join(QStringLiteral("; "));
    return names.size() > 3 ? QStringLiteral("(%1) %2").arg(names.size()).arg(list) : list;
}

// The header block: title, subtitle, company names, criteria; where the body begins.
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
    document.companyLines =
        wrapped(QStringLiteral("Empresas: ") +
                    (header.companies.isEmpty() ? QStringLiteral("—") : header.companies),
                width - ReportLayouter::processingTextWidth(header), small, 3);
    document.criteriaLines = wrapped(QStringLiteral("Critérios: ") + header.criteria, width, small,
                                     ReportLayouter::criteriaLinesAtMost);
    const qsizetype lines = document.subtitleLines.size() + document.companyLines.size() +
                            document.criteriaLines.size();
    document.bodyTop = ReportLayouter::margin + document.titleHeight +
                       ReportLayouter::headerLineHeight * lines + columnHeadingHeight + 4;
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

// Lays the rows out as they pass: group headings, detail lines, subtotals with their state
// summaries and the grand total. A row is placed once the next row shows which groups close
// after it, so that those closing lines stay on its page.
class BodyLayout {
public:
    BodyLayout(const ReportDefinition& definition, const ReportData& data,
               const QList<ReportDefinition::Column>& columns, ReportDocument& document)
        : m_definition(definition), m_data(data), m_columns(columns), m_document(document),
          m_pages(document, sourceNameOf(definition)), m_states(definition),
          m_bodyWidth(document.pageSize.width() - document.margins.left() -
                      document.margins.right()),
          m_bodyWidths(ReportFonts::font(ReportFonts::Role::Body)),
          m_boldWidths(ReportFonts::font(ReportFonts::Role::Bold)),
          m_summaryMeasure(measureIn(ReportFonts::Role::Small))
    {
        for (const auto& column : columns)
            m_fieldOf << data.indexOf(column.field);
        for (const auto& column : definition.exportColumns)
            m_fieldOf << data.indexOf(column.field);
        m_widest.fill(0, columns.size());
        for (const QString& field : definition.sums) {
            for (int c = 0; c < columns.size(); ++c)
                if (columns.at(c).field.compare(field, Qt::CaseInsensitive) == 0)
                    m_sumColumn << c;
            if (m_amountSum < 0 && definition.column(field)->format == ReportValueFormat::Money)
                m_amountSum = static_cast<int>(m_sumField.size());
            m_sumField << data.indexOf(field);
        }
        for (const auto& group : definition.groups)
            m_groupField << data.indexOf(group.field);
        m_stateField = data.indexOf(definition.stateField);
        m_open.resize(m_groupField.size());
        m_grand = ReportTally(static_cast<int>(m_sumField.size()));
    }

    void addRow(int r)
    {
        const QVector<QVariant>& row = m_data.rows.at(r);
        QStringList cells;
        cells.reserve(m_fieldOf.size());
        for (int c = 0; c < m_fieldOf.size(); ++c) {
            const int field = m_fieldOf.at(c);
            cells << (field >= 0 ? ReportFormat::text(row.at(field), m_data.formats.at(field))
                                 : QString());
            if (c < m_widest.size() && !m_document.elides(c))
                m_widest[c] = std::max(m_widest.at(c), m_bodyWidths(cells.last()));
        }
        m_document.rows.append(cells);

        // The outermost group whose key changes here closes with all inside it.
        const int levels = static_cast<int>(m_groupField.size());
        int changed = m_pendingRow < 0 ? 0 : levels;
        for (int level = 0; m_pendingRow >= 0 && level < levels; ++level) {
            const int field = m_groupField.at(level);
            if (field >= 0 && row.at(field) != m_data.rows.at(m_pendingRow).at(field)) {
                changed = level;
                break;
            }
        }
        if (m_pendingRow >= 0)
            placePending(changed, false);
        for (int level = changed; level < levels; ++level) {
            const auto& group = m_definition.groups.at(level);
            m_open[level] = {ReportTally(static_cast<int>(m_sumField.size())), r,
                             ReportLayouter::fill(group.footer, m_data, r),
                             !group.heading.isEmpty()};
            if (group.heading.isEmpty())
                continue;
            m_document.headings << ReportLayouter::fill(group.heading, m_data, r);
            m_pendingHeadings << Piece{Line::Kind::GroupHeading,
                                       static_cast<int>(m_document.headings.size() - 1),
                                       ReportLayouter::headingHeight};
        }
        countRow(row);
        m_pendingRow = r;
    }

    void finish()
    {
        if (m_pendingRow >= 0) {
            placePending(0, true);
        } else {
            QVector<Piece> pieces{{Line::Kind::Empty, 0, ReportLayouter::detailHeight * 2}};
            pieces << grandTotal();
            m_pages.place(pieces);
        }
        layOutColumns(m_document, m_columns, m_widest, m_document.margins.left(), m_bodyWidth,
                      sourceNameOf(m_definition));
    }

private:
    // One open group: its totals, its first row, its footer, and whether it has a heading.
    struct OpenGroup {
        ReportTally tally;
        int firstRow = 0;
        QString footer;
        bool headed = false;
    };

    static QString sourceNameOf(const ReportDefinition& definition)
    {
        return definition.filePath.isEmpty() ? definition.title
                                             : QFileInfo(definition.filePath).fileName();
    }

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
    void placePending(int changed, bool last)
    {
        QVector<Piece> closing;
        const int levels = static_cast<int>(m_groupField.size());
        for (int level = levels - 1; level >= changed; --level)
            if (!m_open.at(level).footer.isEmpty() && !repeatsEnclosingTotal(level, changed))
                closing << total(m_open.at(level).footer, m_open.at(level).tally,
                                 Line::Kind::Subtotal, ReportLayouter::subtotalHeight);
        if (last)
            closing << grandTotal();
        double room = 0;
        for (const Piece& piece : std::as_const(closing))
            room += piece.height;

        m_pendingHeadings << Piece{Line::Kind::Detail, m_pendingRow, ReportLayouter::detailHeight};
        m_pages.place(m_pendingHeadings, room);
        m_pendingHeadings.removeLast();
        for (const Piece& heading : std::as_const(m_pendingHeadings))
            m_pages.openHeading(heading.index);
        m_pendingHeadings.clear();
        if (!closing.isEmpty())
            m_pages.place(closing);
        for (int level = levels - 1; level >= changed; --level)
            if (m_open.at(level).headed)
                m_pages.closeHeading();
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

    QVector<Piece> grandTotal()
    {
        return total(QStringLiteral("Total geral"), m_grand, Line::Kind::GrandTotal,
                     ReportLayouter::grandTotalHeight);
    }

    // A total line and its state summary lines.
    QVector<Piece> total(const QString& label, const ReportTally& tally, Line::Kind kind,
                         double height)
    {
        ReportDocument::Total total;
        total.label = label;
        if (!m_definition.countPlural.isEmpty())
            total.label +=
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
        m_document.totals.append(total);
        QVector<Piece> pieces{{kind, static_cast<int>(m_document.totals.size() - 1), height}};
        if (total.states.isEmpty())
            return pieces;
        for (const QString& line :
             wrapped(total.states,
                     m_bodyWidth - ReportLayouter::summaryIndent - 2 * ReportLayouter::cellPadding,
                     m_summaryMeasure)) {
            m_document.notes << line;
            pieces << Piece{Line::Kind::StateSummary, static_cast<int>(m_document.notes.size() - 1),
                            ReportLayouter::detailHeight};
        }
        return pieces;
    }

    const ReportDefinition& m_definition;
    const ReportData& m_data;
    const QList<ReportDefinition::Column>& m_columns;
    ReportDocument& m_document;
    ReportPaginator m_pages;
    ReportStates m_states;
    double m_bodyWidth;
    ReportFonts::CharacterWidths m_bodyWidths;
    ReportFonts::CharacterWidths m_boldWidths;
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
    int m_stateField = -1;
    QVector<OpenGroup> m_open;
    ReportTally m_grand;
    // The summed values of the row being counted.
    QVector<qint64> m_values;
    // The row read but not yet placed, and the headings of the groups it opens.
    int m_pendingRow = -1;
    QVector<Piece> m_pendingHeadings;
};

} // namespace

double ReportLayouter::processingTextWidth(const ReportDocument::Header& header)
{
    return ReportFonts::width(ReportFonts::Role::Small, processingText(header)) + 8;
}

QString ReportLayouter::processingText(const ReportDocument::Header& header)
{
    return QStringLiteral("Processamento: ") + header.processingDate;
}

QString ReportLayouter::fill(const QString& text, const ReportData& data, int row)
{
    static const QRegularExpression placeholder(QStringLiteral("\\{([A-Za-z_][A-Za-z0-9_]*)\\}"));
    QString result;
    qsizetype from = 0;
    auto it = placeholder.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        result += text.mid(from, match.capturedStart() - from);
        const int field = data.indexOf(match.captured(1));
        if (field >= 0 && row >= 0 && row < data.rows.size())
            result += ReportFormat::text(data.rows.at(row).at(field), data.formats.at(field));
        from = match.capturedEnd();
    }
    return result + text.mid(from);
}

ReportDocument ReportLayouter::layout(const ReportDefinition& definition, const ReportData& data,
                                      const ReportDocument::Header& header,
                                      ReportProgress& progress)
{
    ReportDocument document;
    document.header = header;
    document.landscape = definition.orientation == ReportDefinition::Orientation::Landscape;
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    document.pageSize = document.landscape ? a4.transposed() : a4;
    document.margins = QMarginsF(margin, margin, margin, margin);
    document.lineHeight = detailHeight;
    const double width = document.pageSize.width() - 2 * margin;

    // Columns: the definition's, or every field as text.
    QList<ReportDefinition::Column> columns = definition.columns;
    if (columns.isEmpty()) {
        for (const QString& field : data.fields)
            columns.append({field, field, 10, Qt::AlignLeft, ReportValueFormat::Text, 0});
    }
    for (const auto& column : std::as_const(columns)) {
        document.labels << column.label;
        document.formats << column.format;
        document.alignments << static_cast<int>(column.alignment);
    }
    for (const auto& column : definition.exportColumns) {
        document.exportLabels << column.label;
        document.formats << column.format;
    }

    if (!definition.companyField.isEmpty())
        document.header.companies = companiesOf(data, data.indexOf(definition.companyField));
    layOutHeader(document, definition, width);

    BodyLayout body(definition, data, columns, document);
    const int rowCount = static_cast<int>(data.rows.size());
    progress.setStage(ReportProgress::Stage::Layout, rowCount);
    document.rows.reserve(rowCount);
    for (int r = 0; r < rowCount; ++r) {
        body.addRow(r);
        if ((r & 1023) == 0) {
            progress.setDone(r);
            progress.checkCancel();
        }
    }
    body.finish();
    progress.setDone(rowCount);
    return document;
}
