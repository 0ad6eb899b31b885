#include "report/engine/ReportLayouter.h"

#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFrameLayout.h"
#include "report/engine/ReportTotals.h"

#include <QFileInfo>
#include <QSet>

namespace {

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

} // namespace

// Lays the rows out as they pass: group headings, detail lines, subtotals with their state
// summaries and the grand total. A row is placed once the next row shows which groups close
// after it, so that those closing lines stay on its page.
class ReportLayouter::Body {
public:
    Body(const ReportDefinition& definition, const QStringList& fields,
         const QList<ReportValueFormat>& formats, const QList<ReportDefinition::Column>& columns,
         const ReportFrame& frame)
        : m_definition(definition), m_formats(formats), m_columns(columns), m_frame(frame),
          m_states(definition),
          m_summaryWidth(frame.pageSize.width() - frame.margins.left() - frame.margins.right() -
                         ReportLayouter::summaryIndent - 2 * ReportLayouter::cellPadding),
          m_bodyWidths(ReportFonts::font(ReportFonts::Role::Body)),
          m_boldWidths(ReportFonts::font(ReportFonts::Role::Bold)),
          m_smallWidths(ReportFonts::font(ReportFonts::Role::Small))
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
            if (c < m_widest.size() && !m_frame.elides(c))
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
        // Most summaries fit on one line: measured letter by letter, they need no wrapping.
        const QStringList lines =
            m_smallWidths(total.states) <= m_summaryWidth
                ? QStringList{total.states}
                : ReportFonts::wrapped(ReportFonts::font(ReportFonts::Role::Small), total.states,
                                       m_summaryWidth);
        for (const QString& line : lines)
            pieces << ReportPiece{
                ReportPiece::Kind::StateSummary, ReportLayouter::detailHeight, line, {}, {}};
        return pieces;
    }

    const ReportDefinition& m_definition;
    const QList<ReportValueFormat>& m_formats;
    const QList<ReportDefinition::Column>& m_columns;
    const ReportFrame& m_frame;
    ReportStates m_states;
    // The room of a state summary's line.
    double m_summaryWidth;
    ReportFonts::CharacterWidths m_bodyWidths;
    ReportFonts::CharacterWidths m_boldWidths;
    ReportFonts::CharacterWidths m_smallWidths;
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

ReportLayouter::ReportLayouter(const ReportDefinition& definition, const QStringList& fields,
                               const QList<ReportValueFormat>& formats,
                               const ReportFrame::Header& header)
    : m_definition(definition), m_fields(fields), m_formats(formats)
{
    for (QString& field : m_fields)
        field = field.toUpper();
    // Columns: the definition's, or every field as text.
    m_columns = definition.columns;
    if (m_columns.isEmpty()) {
        for (const QString& field : std::as_const(m_fields))
            m_columns.append({field, field, 10, Qt::AlignLeft, ReportValueFormat::Text, 0});
    }
    m_frame = ReportFrameLayout::begin(definition, m_columns, header);
    m_body = std::make_unique<Body>(m_definition, m_fields, m_formats, m_columns, m_frame);
}

ReportLayouter::~ReportLayouter() = default;

QString ReportLayouter::sourceName() const
{
    return m_definition.filePath.isEmpty() ? m_definition.title
                                           : QFileInfo(m_definition.filePath).fileName();
}

void ReportLayouter::addRow(const QVector<QVariant>& row, ReportBodySink& body)
{
    m_body->addRow(row, body);
}

int ReportLayouter::rowCount() const
{
    return m_body->rows();
}

const ReportFrame& ReportLayouter::finish(ReportBodySink& body)
{
    m_body->finish(body);
    ReportFrameLayout::finish(m_frame, m_definition, m_columns, m_body->companies(),
                              m_body->widest(), sourceName());
    return m_frame;
}
