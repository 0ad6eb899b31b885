#include "report/ReportLayouter.h"

#include "report/ReportFonts.h"
#include "report/ReportProgress.h"

#include <QPageSize>
#include <QRegularExpression>

namespace {

using Line = ReportDocument::Line;

// The header's line heights; the criteria take one line each as wrapped.
constexpr double titleLineHeight = 18.0;
constexpr double headerLineHeight = 10.0;
constexpr double columnHeadingHeight = 14.0;

// Splits the text at blanks into lines no wider than the width; past the most lines, the
// last one ends in "…".
QStringList wrapped(const QString& text, double width, int most = 100)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && ReportFonts::width(ReportFonts::Role::Small, candidate) > width) {
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

// Places lines on pages, opening a new page when one does not fit.
class Paginator {
public:
    Paginator(ReportDocument& document) : m_document(document)
    {
        m_bottom = document.pageSize.height() - document.margins.bottom();
        newPage();
    }

    // Adds a line of the height; room asks for that much space below it on the same page.
    void place(Line::Kind kind, int index, double height, double room = 0)
    {
        if (m_y + height + room > m_bottom && !m_fresh)
            newPage();
        m_document.pages.last().lines.append({kind, index, static_cast<float>(m_y)});
        m_y += height;
        m_fresh = false;
    }

    // Headings of the groups open at a page break, repeated on the new page.
    QList<int> openHeadings;
    QStringList* headings = nullptr;

private:
    void newPage()
    {
        m_document.pages.append(ReportDocument::Page());
        m_y = m_document.bodyTop;
        m_fresh = true;
        for (int heading : std::as_const(openHeadings)) {
            headings->append(headings->at(heading) + QStringLiteral(" (continuação)"));
            m_document.pages.last().lines.append({Line::Kind::GroupHeading,
                                                  static_cast<int>(headings->size() - 1),
                                                  static_cast<float>(m_y)});
            m_y += ReportLayouter::headingHeight;
        }
    }

    ReportDocument& m_document;
    double m_y = 0;
    double m_bottom = 0;
    bool m_fresh = true;
};

// Sums and count of one group level, or of the whole report.
struct Accumulator {
    QVector<qint64> sums;
    qint64 count = 0;
    int firstRow = 0;
};

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
    const double left = margin;
    const double width = document.pageSize.width() - 2 * margin;

    // Columns: the definition's, or every field as text.
    QList<ReportDefinition::Column> columns = definition.columns;
    if (columns.isEmpty()) {
        for (const QString& field : data.fields)
            columns.append({field, field, 10, Qt::AlignLeft, ReportValueFormat::Text, 0});
    }
    double shares = 0;
    for (const auto& column : std::as_const(columns))
        shares += column.width;
    QVector<int> fieldOf;
    double x = left;
    for (const auto& column : std::as_const(columns)) {
        document.labels << column.label;
        document.columnLeft << x;
        document.columnWidth << width * column.width / shares;
        document.alignments << static_cast<int>(column.alignment);
        fieldOf << data.indexOf(column.field);
        x += document.columnWidth.last();
    }

    if (!definition.companyField.isEmpty())
        document.header.companies = companiesOf(data, data.indexOf(definition.companyField));
    const double processingWidth = processingTextWidth(header);
    document.companyLines = wrapped(
        QStringLiteral("Empresas: ") +
            (document.header.companies.isEmpty() ? QStringLiteral("—") : document.header.companies),
        width - processingWidth, 3);
    document.criteriaLines = wrapped(QStringLiteral("Critérios: ") + header.criteria, width);
    document.bodyTop =
        margin + titleLineHeight +
        headerLineHeight * (document.companyLines.size() + document.criteriaLines.size()) +
        columnHeadingHeight + 4;

    // The sums: which columns, and where their values are.
    QVector<int> sumColumn;
    QVector<int> sumField;
    for (const QString& field : definition.sums) {
        for (int c = 0; c < columns.size(); ++c)
            if (columns.at(c).field.compare(field, Qt::CaseInsensitive) == 0)
                sumColumn << c;
        sumField << data.indexOf(field);
    }
    QVector<int> groupField;
    for (const auto& group : definition.groups)
        groupField << data.indexOf(group.field);
    const int levels = static_cast<int>(groupField.size());

    const auto totalOf = [&](const QString& label, const Accumulator& acc) {
        ReportDocument::Total total;
        total.label = label;
        if (!definition.countPlural.isEmpty())
            total.label +=
                QStringLiteral(" — %1 %2")
                    .arg(ReportFormat::integer(acc.count),
                         acc.count == 1 ? definition.countSingular : definition.countPlural);
        for (int c = 0; c < columns.size(); ++c)
            total.cells << QString();
        for (int s = 0; s < sumColumn.size(); ++s)
            total.cells[sumColumn.at(s)] =
                columns.at(sumColumn.at(s)).format == ReportValueFormat::Money
                    ? ReportFormat::money(acc.sums.at(s))
                    : ReportFormat::integer(acc.sums.at(s));
        document.totals.append(total);
        return static_cast<int>(document.totals.size() - 1);
    };

    Paginator pages(document);
    pages.headings = &document.headings;
    QVector<Accumulator> open(levels);
    Accumulator grand;
    grand.sums.fill(0, sumColumn.size());

    const auto closeGroups = [&](int fromLevel) {
        for (int level = levels - 1; level >= fromLevel; --level) {
            // A subtotal that starts a page comes under its group's repeated heading.
            const auto& group = definition.groups.at(level);
            if (!group.footer.isEmpty()) {
                const int total =
                    totalOf(fill(group.footer, data, open[level].firstRow), open[level]);
                pages.place(Line::Kind::Subtotal, total, subtotalHeight);
            }
            if (!group.heading.isEmpty())
                pages.openHeadings.removeLast();
        }
    };

    const int rowCount = static_cast<int>(data.rows.size());
    progress.setStage(ReportProgress::Stage::Layout, rowCount);
    document.rows.reserve(rowCount);
    for (int r = 0; r < rowCount; ++r) {
        const QVector<QVariant>& row = data.rows.at(r);
        QStringList cells;
        cells.reserve(columns.size());
        for (int c = 0; c < columns.size(); ++c)
            cells << (fieldOf.at(c) >= 0 ? ReportFormat::text(row.at(fieldOf.at(c)),
                                                              data.formats.at(fieldOf.at(c)))
                                         : QString());
        document.rows.append(cells);

        // The outermost group whose key changes here closes with all inside it.
        int changed = r == 0 ? 0 : levels;
        for (int level = 0; r > 0 && level < levels; ++level) {
            const int field = groupField.at(level);
            if (field >= 0 && row.at(field) != data.rows.at(r - 1).at(field)) {
                changed = level;
                break;
            }
        }
        if (r > 0)
            closeGroups(changed);
        for (int level = changed; level < levels; ++level) {
            open[level] = Accumulator{QVector<qint64>(sumColumn.size(), 0), 0, r};
            if (definition.groups.at(level).heading.isEmpty())
                continue;
            document.headings << fill(definition.groups.at(level).heading, data, r);
            const int heading = static_cast<int>(document.headings.size() - 1);
            // A heading never ends a page: it needs its first line below it.
            pages.place(Line::Kind::GroupHeading, heading, headingHeight, detailHeight);
            pages.openHeadings << heading;
        }
        pages.place(Line::Kind::Detail, r, detailHeight);

        for (int s = 0; s < sumField.size(); ++s) {
            const QVariant& value = sumField.at(s) >= 0 ? row.at(sumField.at(s)) : QVariant();
            const qint64 amount = value.isNull() ? 0 : value.toLongLong();
            grand.sums[s] += amount;
            for (Accumulator& acc : open)
                acc.sums[s] += amount;
        }
        ++grand.count;
        for (Accumulator& acc : open)
            ++acc.count;
        if ((r & 1023) == 0) {
            progress.setDone(r);
            progress.checkCancel();
        }
    }
    if (rowCount > 0)
        closeGroups(0);
    else
        pages.place(Line::Kind::Empty, 0, detailHeight * 2);
    pages.place(Line::Kind::GrandTotal, totalOf(QStringLiteral("Total geral"), grand),
                grandTotalHeight);
    progress.setDone(rowCount);
    return document;
}
