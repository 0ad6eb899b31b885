#include "report/engine/ReportLayouter.h"

#include "base/Exceptions.h"
#include "report/engine/ReportCrosstab.h"
#include "report/engine/ReportFilledText.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFrameLayout.h"
#include "report/engine/ReportSizes.h"
#include "report/engine/ReportTotals.h"

#include <QFileInfo>
#include <QSet>

namespace {

// The inconsistencies a report lists by name, at most; past them it says how many more.
constexpr int inconsistenciesListed = 10000;

} // namespace

// Lays the rows out as they pass: group headings, detail lines, subtotals with their state
// summaries and the grand total. A row is placed once the next row shows which groups close
// after it, so that those closing lines stay on its page.
class ReportLayouter::Body {
public:
    Body(const ReportDefinition& definition, const QStringList& fields,
         const QList<ReportValueFormat>& formats, const QList<ReportDefinition::Column>& columns,
         const ReportFrame& frame, const QString& sourceName)
        : m_definition(definition), m_sourceName(sourceName), m_formats(formats),
          m_columns(columns), m_frame(frame), m_states(definition),
          m_summaryWidth(frame.pageSize.width() - frame.margins.left() - frame.margins.right() -
                         ReportSizes::summaryIndent - 2 * ReportSizes::cellPadding),
          m_bodyWidths(ReportFonts::font(ReportFonts::Role::Body)),
          m_boldWidths(ReportFonts::font(ReportFonts::Role::Bold)),
          m_smallWidths(ReportFonts::font(ReportFonts::Role::Small)),
          m_rowName(definition.rowName, fields)
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
            m_headings << ReportFilledText(group.heading, fields);
            m_footers << ReportFilledText(group.footer, fields);
        }
        m_stateField = indexOf(definition.stateField);
        m_inconsistencyField =
            definition.inconsistencyField.isEmpty() ? -1 : indexOf(definition.inconsistencyField);
        m_carrySum = static_cast<int>(definition.sums.indexOf(definition.carryField));
        if (!definition.crosstab.rowField.isEmpty()) {
            m_tableRow = indexOf(definition.crosstab.rowField);
            m_tableColumn = indexOf(definition.crosstab.columnField);
            m_tableSum = static_cast<int>(definition.sums.indexOf(definition.crosstab.valueField));
        }
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
                                ReportSizes::headingHeight,
                                m_headings.at(level)(m_formats, row),
                                {},
                                {}};
            m_pendingHeadings << heading;
        }
        countRow(row);
        tabulate(row);
        noteInconsistency(row);
        m_pendingRow = row;
        m_pendingCells = std::move(cells);
        m_pendingCarried = m_carrySum >= 0 ? m_grand.sums.at(m_carrySum).units() : 0;
        ++m_rows;
    }

    void finish(ReportBodySink& sink)
    {
        if (m_rows > 0) {
            placePending(0, true, sink);
        } else {
            QVector<ReportPiece> pieces{
                {ReportPiece::Kind::Empty, ReportSizes::detailHeight * 2, {}, {}, {}}};
            pieces << grandTotal();
            sink.place(pieces, 0);
        }
        placeTable(sink);
        placeInconsistencies(sink);
        if (!m_definition.signature.isEmpty())
            sink.place(
                {{ReportPiece::Kind::Signature,
                  ReportSizes::signatureHeight,
                  m_definition.signature + QStringLiteral(": ________________________________    "
                                                          "Data: ____/____/________"),
                  {},
                  {}}},
                0);
    }

    int rows() const { return m_rows; }
    qint64 inconsistencies() const { return m_inconsistencyCount; }
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
        QVector<ReportAmount>& values = m_values;
        values.resize(m_sumField.size());
        for (int s = 0; s < m_sumField.size(); ++s) {
            const QVariant& value = m_sumField.at(s) >= 0 ? row.at(m_sumField.at(s)) : QVariant();
            values[s] = ReportAmount(value.isNull() ? 0 : value.toLongLong());
        }
        const int slot =
            m_states.any()
                ? m_states.slotOf(m_stateField >= 0 ? row.at(m_stateField).toString() : QString())
                : -1;
        const bool adds = m_states.adds(slot);
        m_lastAdds = adds;
        const ReportAmount amount = m_amountSum >= 0 ? values.at(m_amountSum) : ReportAmount();
        bool whole = m_grand.add(values, adds, slot, amount);
        for (OpenGroup& group : m_open)
            whole = group.tally.add(values, adds, slot, amount) && whole;
        if (!whole)
            throw Exception(QStringLiteral("%1: somando %2, um total passa do limite que o "
                                           "relatório soma; o relatório foi interrompido.")
                                .arg(m_sourceName, nameOf(row)));
    }

    QString nameOf(const QVector<QVariant>& row) const
    {
        return m_rowName.isEmpty() ? QStringLiteral("a linha %1").arg(m_rows + 1)
                                   : m_rowName(m_formats, row);
    }

    // Adds the row's value (when its state adds) to its cell of the closing table.
    void tabulate(const QVector<QVariant>& row)
    {
        if (m_tableSum < 0 || !m_lastAdds)
            return;
        if (!m_table.add(ReportFormat::text(row.at(m_tableRow), m_formats.at(m_tableRow)),
                         ReportFormat::text(row.at(m_tableColumn), m_formats.at(m_tableColumn)),
                         m_values.at(m_tableSum)))
            throw Exception(QStringLiteral("%1: somando %2, um total passa do limite que o "
                                           "relatório soma; o relatório foi interrompido.")
                                .arg(m_sourceName, nameOf(row)));
    }

    // The closing table under its title, the title with its column labels and first line.
    void placeTable(ReportBodySink& sink)
    {
        if (m_tableSum < 0 || m_table.isEmpty())
            return;
        const ReportDefinition::Column* rowColumn =
            m_definition.column(m_definition.crosstab.rowField);
        const QVector<ReportPiece> lines = m_table.pieces(
            rowColumn ? rowColumn->label : m_definition.crosstab.rowField, m_sourceName);
        sink.place({{ReportPiece::Kind::GroupHeading,
                     ReportSizes::headingHeight,
                     m_definition.crosstab.title,
                     {},
                     {}},
                    lines.at(0),
                    lines.at(1)},
                   0);
        for (qsizetype i = 2; i < lines.size(); ++i)
            sink.place({lines.at(i)}, 0);
    }

    // Keeps what is wrong with the row, named, for the closing section.
    void noteInconsistency(const QVector<QVariant>& row)
    {
        if (m_inconsistencyField < 0)
            return;
        const QString what = row.at(m_inconsistencyField).toString();
        if (what.isEmpty())
            return;
        if (++m_inconsistencyCount <= inconsistenciesListed)
            m_inconsistencies << nameOf(row) + QStringLiteral(": ") + what;
    }

    // The closing section that lists the inconsistent rows, its heading with the first line.
    void placeInconsistencies(ReportBodySink& sink)
    {
        if (m_inconsistencyCount == 0)
            return;
        QVector<ReportPiece> pieces{
            {ReportPiece::Kind::GroupHeading,
             ReportSizes::headingHeight,
             QStringLiteral("Inconsistências — %1")
                 .arg(m_inconsistencyCount == 1
                          ? QStringLiteral("1 linha")
                          : QStringLiteral("%1 linhas")
                                .arg(ReportFormat::integer(m_inconsistencyCount))),
             {},
             {}}};
        if (m_inconsistencyCount > inconsistenciesListed)
            m_inconsistencies << QStringLiteral("… e mais %1 não listadas.")
                                     .arg(ReportFormat::integer(m_inconsistencyCount -
                                                                inconsistenciesListed));
        for (const QString& text : std::as_const(m_inconsistencies)) {
            const QStringList lines =
                m_smallWidths(text) <= m_summaryWidth
                    ? QStringList{text}
                    : ReportFonts::wrapped(ReportFonts::font(ReportFonts::Role::Small), text,
                                           m_summaryWidth);
            for (const QString& line : lines)
                pieces << ReportPiece{
                    ReportPiece::Kind::Note, ReportSizes::detailHeight, line, {}, {}};
            sink.place(pieces, 0);
            pieces.clear();
        }
        m_inconsistencies.clear();
    }

    // Places the row waiting with the headings of the groups it opens, then the closing lines
    // of the groups from the level changed inward (and the grand total after the last row),
    // all on one page.
    void placePending(int changed, bool last, ReportBodySink& sink)
    {
        QVector<ReportPiece> closing;
        const int levels = static_cast<int>(m_groupField.size());
        for (int level = levels - 1; level >= changed; --level) {
            const OpenGroup& group = m_open.at(level);
            const bool single =
                m_definition.groups.at(level).footerWhenMany && group.tally.count == 1;
            if (!group.footer.isEmpty() && !single && !repeatsEnclosingTotal(level, changed))
                closing << total(group.footer, group.tally, ReportPiece::Kind::Subtotal,
                                 ReportSizes::subtotalHeight);
        }
        if (last)
            closing << grandTotal();
        double room = 0;
        for (const ReportPiece& piece : std::as_const(closing))
            room += piece.height;

        m_pendingHeadings << ReportPiece{
            ReportPiece::Kind::Detail, ReportSizes::detailHeight, {}, std::move(m_pendingCells), {},
            m_pendingCarried,          isCancelled(m_pendingRow)};
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

    // Whether the row is of a state whose amount counts apart (a cancelled check): the page
    // marks it.
    bool isCancelled(const QVector<QVariant>& row)
    {
        if (!m_states.any() || m_stateField < 0)
            return false;
        const int slot = m_states.slotOf(row.at(m_stateField).toString());
        return m_states.role(slot) == ReportDefinition::StateRole::Amount &&
               m_states.declared(slot);
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
        return total(m_definition.grandTotalLabel, m_grand, ReportPiece::Kind::GrandTotal,
                     ReportSizes::grandTotalHeight);
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
        const bool grand = kind == ReportPiece::Kind::GrandTotal;
        for (int c = 0; c < m_columns.size(); ++c)
            total.cells << QString();
        // A group none of whose rows adds (only cancelled checks, say) is counted, not summed.
        const bool sums = grand || tally.adding > 0;
        for (int s = 0; sums && s < m_sumColumn.size(); ++s) {
            const int c = m_sumColumn.at(s);
            total.cells[c] = m_columns.at(c).format == ReportValueFormat::Money
                                 ? ReportFormat::money(tally.sums.at(s).units())
                                 : ReportFormat::integer(tally.sums.at(s).units());
            m_widest[c] = std::max(m_widest.at(c), m_boldWidths(total.cells.at(c)));
        }
        // A group of one state says it in its rows; the grand total always lists its states.
        if (m_states.any() && (grand || tally.statesPresent() > 1))
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
                ReportPiece::Kind::StateSummary, ReportSizes::detailHeight, line, {}, {}};
        return pieces;
    }

    const ReportDefinition& m_definition;
    QString m_sourceName;
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
    QVector<ReportFilledText> m_headings;
    QVector<ReportFilledText> m_footers;
    ReportFilledText m_rowName;
    int m_stateField = -1;
    int m_inconsistencyField = -1;
    qint64 m_inconsistencyCount = 0;
    QStringList m_inconsistencies;
    // The closing table: the row's and the column's fields, the sum it tabulates (-1: no
    // table), its cells.
    int m_tableRow = -1;
    int m_tableColumn = -1;
    int m_tableSum = -1;
    ReportCrosstab m_table;
    // Whether the row just counted adds into the sums.
    bool m_lastAdds = false;
    // The sum carried from page to page; -1 when none.
    int m_carrySum = -1;
    qint64 m_pendingCarried = 0;
    int m_companyField = -1;
    QSet<QString> m_companies;
    QVector<OpenGroup> m_open;
    ReportTally m_grand;
    // The summed values of the row being counted.
    QVector<ReportAmount> m_values;
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
    m_body =
        std::make_unique<Body>(m_definition, m_fields, m_formats, m_columns, m_frame, sourceName());
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

qint64 ReportLayouter::inconsistencyCount() const
{
    return m_body->inconsistencies();
}

ReportFrame ReportLayouter::provisionalFrame() const
{
    ReportFrame frame = m_frame;
    ReportFrameLayout::finish(frame, m_definition, m_columns, {}, m_body->widest(), sourceName());
    return frame;
}

const ReportFrame& ReportLayouter::finish(ReportBodySink& body)
{
    m_body->finish(body);
    ReportFrameLayout::finish(m_frame, m_definition, m_columns, m_body->companies(),
                              m_body->widest(), sourceName());
    return m_frame;
}
