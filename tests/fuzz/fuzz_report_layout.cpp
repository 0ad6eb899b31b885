// Whole report definitions through layout and painting. The input is read as a sequence of
// choices that build a definition the reader accepts more often than raw text would: its
// title, orientation, columns (field, label, width, alignment, format), groups with their
// headings and footers, sums, states and count, followed by rows of values of each column's
// format. A definition that reads is laid out with the rows and its first pages are painted:
// no crash, no hang, and a layout that fails says why with an Exception.
#include "FuzzInput.h"
#include "base/Exceptions.h"
#include "report/engine/ReportBody.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <thread>

namespace {

// Takes the input's bytes one choice at a time; past its end every choice is the first.
class Choices {
public:
    Choices(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    int pick(int count) { return count <= 1 ? 0 : next() % count; }
    bool chance() { return pick(2) == 1; }
    // Text of up to `longest` characters from a set that includes what layout treats apart:
    // placeholders, separators, accents, wide and combining characters, control characters.
    QString text(int longest)
    {
        static const QStringList pieces{
            QStringLiteral("a"),  QStringLiteral("Z"),      QStringLiteral(" "),
            QStringLiteral("é"),  QStringLiteral("—"),      QStringLiteral("{F0}"),
            QStringLiteral("{"),  QStringLiteral("}"),      QStringLiteral("|"),
            QStringLiteral("#"),  QStringLiteral(":"),      QStringLiteral("\t"),
            QStringLiteral("漢"), QStringLiteral("\u0301"), QStringLiteral("\U0001F600"),
            QStringLiteral("W"),  QStringLiteral("0"),      QStringLiteral("x")};
        QString result;
        const int length = pick(longest + 1);
        for (int i = 0; i < length; ++i)
            result += pieces.at(pick(int(pieces.size())));
        return result;
    }
    // A column's width as written: mostly one the reader takes, sometimes one it refuses.
    QString width()
    {
        static const QStringList refused{QStringLiteral("nan"),   QStringLiteral("inf"),
                                         QStringLiteral("1e308"), QStringLiteral("-3"),
                                         QStringLiteral("0"),     QStringLiteral("101")};
        if (pick(16) == 0)
            return refused.at(pick(int(refused.size())));
        return QString::number(0.5 + pick(200) / 2.0);
    }

private:
    uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Each input is laid out and painted in a thread of its own, whose font caches Qt clears when
// the thread ends: the main thread's would outlive Qt's own globals at exit and be lost.
QGuiApplication* application = nullptr;

void ensureApplication()
{
    if (application)
        return;
    static int argc = 1;
    static char name[] = "fuzz_report_layout";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QGuiApplication(argc, argv);
    std::atexit([] { delete application; });
}

const char* const formats[] = {"text", "date", "money", "integer", "code"};
const char* const alignments[] = {"left", "center", "right"};

// A value of the format as a driver hands it over: some odd, some empty.
QVariant valueOf(Choices& choices, ReportValueFormat format)
{
    if (choices.pick(8) == 0)
        return QVariant();
    switch (format) {
    case ReportValueFormat::Text:
        return choices.text(40);
    case ReportValueFormat::Code:
        return choices.chance() ? QVariant(choices.text(12))
                                : QVariant(QString::number(choices.pick(1000000)));
    case ReportValueFormat::Date:
        return choices.chance() ? QVariant(QStringLiteral("2026-%1-%2")
                                               .arg(1 + choices.pick(12), 2, 10, QLatin1Char('0'))
                                               .arg(1 + choices.pick(31), 2, 10, QLatin1Char('0')))
                                : QVariant(choices.text(10));
    case ReportValueFormat::Money:
        // Amounts a check may hold; the range of amounts is the totals' own concern.
        return QStringLiteral("%1.%2")
            .arg((choices.chance() ? -1 : 1) * qint64(choices.pick(100000)) * choices.pick(1000))
            .arg(choices.pick(100), 2, 10, QLatin1Char('0'));
    case ReportValueFormat::Integer:
        return qint64(choices.pick(1 << 16)) - 100;
    }
    return QVariant();
}

void layOutAndPaint(const uint8_t* data, size_t size)
{
    Choices choices(data, size);
    const int columns = 1 + choices.pick(8);
    QString text = QStringLiteral("title: %1\n").arg(choices.text(60).replace('\n', ' '));
    text += choices.chance() ? QStringLiteral("orientation: landscape\n") : QString();
    QList<ReportValueFormat> columnFormats;
    for (int c = 0; c < columns; ++c) {
        const int format = choices.pick(4);
        columnFormats << *ReportFormat::fromName(QLatin1String(formats[format]));
        text +=
            QStringLiteral("column: F%1 | %2 | %3 | %4 | %5\n")
                .arg(c)
                .arg(choices.text(20).remove('|').remove('\n'), choices.width(),
                     QLatin1String(alignments[choices.pick(3)]), QLatin1String(formats[format]));
    }
    for (int g = choices.pick(4); g > 0; --g)
        text += QStringLiteral("group: F%1 | %2 | %3\n")
                    .arg(choices.pick(columns))
                    .arg(choices.text(30).remove('|'), choices.text(30).remove('|'));
    for (int c = 0; c < columns; ++c)
        if ((columnFormats.at(c) == ReportValueFormat::Money ||
             columnFormats.at(c) == ReportValueFormat::Integer) &&
            choices.chance())
            text += QStringLiteral("sum: F%1\n").arg(c);
    if (choices.chance())
        text +=
            QStringLiteral("state: F0 | 1 | Emitidos | total\nstate: F0 | 2 | Outros | count\n");
    if (choices.chance())
        text += QStringLiteral("count: -\n");
    text += QStringLiteral("sql:\n  SELECT 1\n");

    ReportDefinition definition;
    try {
        definition = ReportDefinition::parse(text, QStringLiteral("fuzz.rpt"));
    } catch (const Exception&) {
        return;
    }
    QStringList fields;
    for (int c = 0; c < columns; ++c)
        fields << QStringLiteral("F%1").arg(c);
    const ReportFrame::Header header{QStringLiteral("KLX47306"),
                                     QStringLiteral("KLX473"),
                                     definition.title,
                                     choices.text(80),
                                     choices.text(200),
                                     QStringLiteral("15/03/2026"),
                                     QStringLiteral("Nenhum cheque atende aos critérios."),
                                     {{QStringLiteral("Critérios"), choices.text(80)}},
                                     QStringLiteral("OPER"),
                                     QStringLiteral("07/12/2026 18:58")};
    try {
        ReportLayouter layouter(definition, fields, columnFormats, header);
        ReportPages pages(layouter.sourceName());
        ReportBodySinks body({&pages});
        for (int r = choices.pick(120); r > 0; --r) {
            QVector<QVariant> row;
            for (int c = 0; c < columns; ++c)
                row << ReportFormat::normalize(valueOf(choices, columnFormats.at(c)),
                                               columnFormats.at(c));
            layouter.addRow(row, body);
        }
        pages.finish(layouter.finish(body), layouter.rowCount());
        QImage image(595, 842, QImage::Format_RGB32);
        QPainter painter(&image);
        ReportPainter::PageSequence sequence(painter, pages);
        for (int page = 0; page < std::min(pages.pageCount(), 3); ++page)
            sequence.paint(page);
    } catch (const Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ensureApplication();
    std::thread(layOutAndPaint, data, size).join();
    return 0;
}
