#include "report/engine/ReportFrameLayout.h"

#include "base/Exceptions.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportSizes.h"

#include <QPageSize>

namespace {

// Measured widths get this much more, against rounding on the painting device.
constexpr double measureSlack = 1.0;
// A text column is never narrower than this.
constexpr double narrowestText = 12.0;
// The title's largest and smallest point sizes, and its steps in between.
constexpr double titleLargest = 11.0;
constexpr double titleSmallest = 7.0;
constexpr double titleStep = 0.5;

double bodyWidth(const ReportFrame& frame)
{
    return frame.pageSize.width() - frame.margins.left() - frame.margins.right();
}

// The title on one line at its full size, else on two lines at the largest size where they
// fit; at the smallest size a title still too long ends in "…".
void fitTitle(ReportFrame& frame, double width)
{
    const QString& title = frame.header.title;
    QFont font = ReportFonts::font(ReportFonts::Role::Title);
    for (double size = titleLargest; size >= titleSmallest - 0.001; size -= titleStep) {
        font.setPointSizeF(size);
        const QStringList lines = ReportFonts::wrapped(font, title, width);
        bool fits = lines.size() <= 2;
        for (const QString& line : lines)
            fits = fits && ReportFonts::width(font, line) <= width;
        if (fits || size - titleStep < titleSmallest - 0.001) {
            frame.titleLines = lines.mid(0, 2);
            if (!fits)
                frame.titleLines.last() =
                    ReportFonts::elided(font, lines.mid(1).join(QLatin1Char(' ')), width);
            frame.titleSize = size;
            break;
        }
    }
    frame.titleHeight = std::max(18.0, frame.titleLines.size() * frame.titleSize * 1.3 + 3);
}

// The company names, sorted, with their count when there are many.
QString companiesText(QStringList names)
{
    names.sort(Qt::CaseInsensitive);
    const QString list = names.join(QStringLiteral("; "));
    return names.size() > 3 ? QStringLiteral("(%1) %2").arg(names.size()).arg(list) : list;
}

// The company names beside the processing date, and where the body begins under them.
void placeCompanies(ReportFrame& frame)
{
    const ReportFrame::Header& header = frame.header;
    frame.companyLines = ReportFonts::wrapped(
        ReportFonts::font(ReportFonts::Role::Small),
        QStringLiteral("Empresas: ") +
            (header.companies.isEmpty() ? QStringLiteral("—") : header.companies),
        bodyWidth(frame) - ReportFrameLayout::processingTextWidth(header),
        ReportSizes::companyLinesAtMost);
    const qsizetype lines =
        frame.subtitleLines.size() + frame.companyLines.size() + frame.criteriaLines.size();
    frame.bodyTop = ReportSizes::margin + frame.titleHeight +
                    ReportSizes::headerLineHeight * lines + ReportSizes::columnHeadingHeight + 4;
}

} // namespace

QString ReportFrameLayout::processingText(const ReportFrame::Header& header)
{
    return QStringLiteral("Processamento: ") + header.processingDate;
}

double ReportFrameLayout::processingTextWidth(const ReportFrame::Header& header)
{
    return ReportFonts::width(ReportFonts::Role::Small, processingText(header)) + 8;
}

ReportFrame ReportFrameLayout::begin(const ReportDefinition& definition,
                                     const QList<ReportDefinition::Column>& columns,
                                     const ReportFrame::Header& header)
{
    ReportFrame frame;
    frame.header = header;
    frame.landscape = definition.orientation == ReportDefinition::Orientation::Landscape;
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    frame.pageSize = frame.landscape ? a4.transposed() : a4;
    frame.margins = QMarginsF(ReportSizes::margin, ReportSizes::margin, ReportSizes::margin,
                              ReportSizes::margin);
    for (const auto& column : columns) {
        if (column.field == definition.carryField)
            frame.carryColumn = static_cast<int>(frame.labels.size());
        frame.labels << column.label;
        frame.formats << column.format;
        frame.alignments << static_cast<int>(column.alignment);
    }
    for (const auto& column : definition.exportColumns) {
        frame.exportLabels << column.label;
        frame.formats << column.format;
    }

    const double width = bodyWidth(frame);
    const QString pages = QStringLiteral("Página 88888 de 88888");
    const QString codes = header.screenCode + QStringLiteral(" · ") + header.reportCode;
    frame.titleSide = std::max(ReportFonts::width(ReportFonts::Role::Small, pages),
                               ReportFonts::width(ReportFonts::Role::Small, codes)) +
                      12;
    fitTitle(frame, width - 2 * frame.titleSide);
    const QFont small = ReportFonts::font(ReportFonts::Role::Small);
    if (!definition.subtitle.isEmpty())
        frame.subtitleLines = ReportFonts::wrapped(small, definition.subtitle, width, 2);
    frame.criteriaLines =
        ReportFonts::wrapped(small, QStringLiteral("Critérios: ") + header.criteria, width,
                             ReportSizes::criteriaLinesAtMost);
    if (definition.companyField.isEmpty())
        placeCompanies(frame);
    return frame;
}

void ReportFrameLayout::finish(ReportFrame& frame, const ReportDefinition& definition,
                               const QList<ReportDefinition::Column>& columns,
                               const QStringList& companies, const QVector<double>& widest,
                               const QString& sourceName)
{
    // Without rows, the companies the caller gave (those the report covers).
    if (!definition.companyField.isEmpty()) {
        if (!companies.isEmpty())
            frame.header.companies = companiesText(companies);
        placeCompanies(frame);
    }

    const double width = bodyWidth(frame);
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
        if (frame.elides(c)) {
            widths[c] = declared;
            textShare += declared;
            ++textColumns;
        } else {
            const double label = ReportFonts::width(ReportFonts::Role::Bold, columns.at(c).label);
            const double gap =
                (columns.at(c).alignment & Qt::AlignRight) ? ReportSizes::numberGap : 0;
            widths[c] = std::max(declared, std::max(widest.at(c), label) +
                                               2 * ReportSizes::cellPadding + gap + measureSlack);
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
            if (frame.elides(c))
                widths[c] *= textRoom / textShare;
    }
    double x = frame.margins.left();
    for (int c = 0; c < count; ++c) {
        frame.columnLeft << x;
        frame.columnWidth << widths.at(c);
        x += widths.at(c);
    }
}
