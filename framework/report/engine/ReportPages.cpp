#include "report/engine/ReportPages.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPaginator.h"

#include <QDir>
#include <QMutexLocker>
#include <cerrno>
#include <cstring>

namespace {

enum class Op : quint8 { Place, Open, Close };

// The body's records: a byte for what follows, lengths as one byte (or 255 and four).
class Encoder {
public:
    explicit Encoder(QByteArray& out) : m_out(out) {}
    void byte(quint8 value) { m_out.append(static_cast<char>(value)); }
    void real(float value) { raw(&value, sizeof value); }
    void whole(qint64 value) { raw(&value, sizeof value); }
    void count(quint32 value)
    {
        if (value < 255) {
            byte(static_cast<quint8>(value));
        } else {
            byte(255);
            raw(&value, sizeof value);
        }
    }
    void text(const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        count(static_cast<quint32>(utf8.size()));
        m_out.append(utf8);
    }
    void texts(const QStringList& values)
    {
        count(static_cast<quint32>(values.size()));
        for (const QString& value : values)
            text(value);
    }

private:
    void raw(const void* data, size_t size) { m_out.append(static_cast<const char*>(data), size); }
    QByteArray& m_out;
};

class Decoder {
public:
    explicit Decoder(const QByteArray& in)
        : m_begin(in.constData()), m_at(m_begin), m_end(m_begin + in.size())
    {
    }
    bool atEnd() const { return m_at >= m_end; }
    // How far into the bytes the next record begins.
    qint64 position() const { return m_at - m_begin; }
    quint8 byte() { return static_cast<quint8>(*take(1)); }
    float real()
    {
        float value;
        std::memcpy(&value, take(sizeof value), sizeof value);
        return value;
    }
    qint64 whole()
    {
        qint64 value;
        std::memcpy(&value, take(sizeof value), sizeof value);
        return value;
    }
    quint32 count()
    {
        const quint8 first = byte();
        if (first < 255)
            return first;
        quint32 value;
        std::memcpy(&value, take(sizeof value), sizeof value);
        return value;
    }
    QString text()
    {
        const quint32 size = count();
        return QString::fromUtf8(take(size), size);
    }
    QStringList texts()
    {
        QStringList values;
        const quint32 size = count();
        values.reserve(size);
        for (quint32 i = 0; i < size; ++i)
            values << text();
        return values;
    }
    void skipText() { take(count()); }
    void skipTexts()
    {
        for (quint32 i = count(); i > 0; --i)
            skipText();
    }

private:
    const char* take(size_t size)
    {
        if (static_cast<size_t>(m_end - m_at) < size)
            throw Exception(QStringLiteral("O arquivo temporário do relatório está corrompido."));
        const char* at = m_at;
        m_at += size;
        return at;
    }
    const char* m_begin;
    const char* m_at;
    const char* m_end;
};

// The body is written in blocks of about this size.
constexpr qsizetype blockSize = 1 << 20;

using Kind = ReportPiece::Kind;

} // namespace

ReportPages::ReportPages(const QString& sourceName, Contents contents)
    : m_sourceName(sourceName), m_contents(contents),
      m_file(QDir::temp().filePath(QStringLiteral("klx-relatorio-XXXXXX.pages")))
{
    if (!m_file.open())
        throw Exception(QStringLiteral("Não foi possível criar o arquivo temporário do "
                                       "relatório em '%1': %2")
                            .arg(QDir::toNativeSeparators(QDir::tempPath()), m_file.errorString()));
}

ReportPages::~ReportPages() = default;

void ReportPages::place(const QVector<ReportPiece>& pieces, double room)
{
    const bool whole = m_contents == Contents::Whole;
    Encoder out(m_buffer);
    out.byte(static_cast<quint8>(Op::Place));
    out.real(static_cast<float>(room));
    out.count(static_cast<quint32>(pieces.size()));
    for (const ReportPiece& piece : pieces) {
        out.byte(static_cast<quint8>(piece.kind));
        out.real(piece.height);
        out.text(whole ? piece.text : QString());
        out.texts(whole ? piece.cells : QStringList());
        out.text(whole ? piece.states : QString());
        if (piece.kind == Kind::Detail) {
            out.whole(piece.carried);
            out.byte(piece.cancelled ? 1 : 0);
        }
    }
    if (m_buffer.size() >= blockSize)
        flush();
}

void ReportPages::openHeading(const QString& heading)
{
    Encoder out(m_buffer);
    out.byte(static_cast<quint8>(Op::Open));
    out.text(heading);
}

void ReportPages::closeHeading()
{
    Encoder(m_buffer).byte(static_cast<quint8>(Op::Close));
}

void ReportPages::flush()
{
    if (m_buffer.isEmpty())
        return;
    // Flushed at once: a full disk is told here, with its reason, not when reading back.
    if (!OutputFile::writeAll(m_file, m_buffer.constData(), m_buffer.size()) || !m_file.flush()) {
        const QString reason = qt_error_string(errno);
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo temporário do "
                                       "relatório '%1': %2")
                            .arg(QDir::toNativeSeparators(m_file.fileName()), reason));
    }
    m_written += m_buffer.size();
    m_blockEnds << m_written;
    m_buffer.clear();
}

void ReportPages::finish(const ReportFrame& frame, int rows, qint64 inconsistencies)
{
    flush();
    m_buffer.squeeze();
    m_frame = frame;
    m_rows = rows;
    m_inconsistencies = inconsistencies;
    // One pass over the file, a block at a time; only the heights, the groups and the carried
    // totals are read.
    ReportPaginator paginator(frame.bodyTop, frame.bodyBottom(), m_sourceName,
                              frame.carryColumn >= 0 ? ReportLayouter::subtotalHeight : 0);
    m_starts = {PageStart{0, {}, 0, true}};
    qint64 carried = 0;
    // Past the grand total (the inconsistencies, the line to sign) nothing is carried.
    bool totalled = false;
    qint64 blockStart = 0;
    for (const qint64 blockEnd : std::as_const(m_blockEnds)) {
        const QByteArray block = read(blockStart, blockEnd);
        Decoder in(block);
        while (!in.atEnd()) {
            const qint64 offset = blockStart + in.position();
            switch (static_cast<Op>(in.byte())) {
            case Op::Place: {
                const double room = in.real();
                double height = 0;
                const qint64 carriedBefore = carried;
                const bool totalledBefore = totalled;
                for (quint32 piece = in.count(); piece > 0; --piece) {
                    const auto kind = static_cast<Kind>(in.byte());
                    totalled = totalled || kind == Kind::GrandTotal;
                    height += in.real();
                    in.skipText();
                    in.skipTexts();
                    in.skipText();
                    if (kind == Kind::Detail) {
                        carried = in.whole();
                        in.byte();
                    }
                }
                if (paginator.place(height, room))
                    m_starts << PageStart{offset, paginator.openHeadings(), carriedBefore,
                                          !totalledBefore};
                break;
            }
            case Op::Open:
                paginator.openHeading(in.text());
                break;
            case Op::Close:
                paginator.closeHeading();
                break;
            }
        }
        blockStart = blockEnd;
    }
}

QByteArray ReportPages::read(qint64 from, qint64 to) const
{
    QMutexLocker lock(&m_reading);
    QByteArray bytes;
    if (m_file.seek(from))
        bytes = m_file.read(to - from);
    if (bytes.size() != to - from)
        throw Exception(
            QStringLiteral("Não foi possível ler o arquivo temporário do relatório "
                           "'%1': %2")
                .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
    return bytes;
}

ReportPageStretch ReportPages::pages(int first, int last) const
{
    const int count = pageCount();
    ReportPageStretch stretch;
    stretch.reportPages = count;
    if (count == 0 || m_contents == Contents::Heights)
        return stretch;
    first = std::clamp(first, 0, count - 1);
    last = std::clamp(last, first, count - 1);
    stretch.first = first;
    const qint64 from = m_starts.at(first).offset;
    const qint64 to = last + 1 < count ? m_starts.at(last + 1).offset : m_written;
    const QByteArray bytes = read(from, to);

    // Each page holds the records from its start to the next page's, stacked from the top of
    // the body under the headings it repeats.
    double y = 0;
    const auto line = [&stretch, &y](Kind kind, qsizetype index) {
        stretch.pages.last().lines.append({kind, static_cast<int>(index), static_cast<float>(y)});
    };
    int page = first - 1;
    // The running total, at the foot of a page that goes on and at the head of the next.
    const bool carries = m_frame.carryColumn >= 0;
    const auto carriedLine = [&](Kind kind, const QString& label, qint64 cents) {
        QStringList cells;
        for (int c = 0; c < m_frame.labels.size(); ++c)
            cells << (c == m_frame.carryColumn ? ReportFormat::money(cents) : QString());
        stretch.totals.append({label, cells, {}});
        line(kind, stretch.totals.size() - 1);
    };
    Decoder in(bytes);
    while (!in.atEnd()) {
        while (page < last && from + in.position() == m_starts.at(page + 1).offset) {
            if (carries && page >= first && m_starts.at(page + 1).carries) {
                y = m_frame.bodyBottom() - ReportLayouter::subtotalHeight;
                carriedLine(Kind::CarriedOut, QStringLiteral("A transportar"),
                            m_starts.at(page + 1).carried);
            }
            ++page;
            stretch.pages.append(ReportPageStretch::Page());
            y = m_frame.bodyTop;
            if (carries && page > 0 && m_starts.at(page).carries) {
                carriedLine(Kind::CarriedIn, QStringLiteral("Transporte"),
                            m_starts.at(page).carried);
                y += ReportLayouter::subtotalHeight;
            }
            for (const QString& heading : m_starts.at(page).openHeadings) {
                stretch.headings.append(heading + QStringLiteral(" (continuação)"));
                line(Kind::GroupHeading, stretch.headings.size() - 1);
                y += ReportLayouter::headingHeight;
            }
        }
        switch (static_cast<Op>(in.byte())) {
        case Op::Place: {
            in.real();
            for (quint32 pieces = in.count(); pieces > 0; --pieces) {
                const auto kind = static_cast<Kind>(in.byte());
                const float height = in.real();
                const QString text = in.text();
                const QStringList cells = in.texts();
                const QString states = in.text();
                switch (kind) {
                case Kind::Detail:
                    in.whole();
                    stretch.rows.append(cells);
                    stretch.cancelled.append(in.byte() != 0);
                    line(kind, stretch.rows.size() - 1);
                    break;
                case Kind::GroupHeading:
                    stretch.headings.append(text);
                    line(kind, stretch.headings.size() - 1);
                    break;
                case Kind::StateSummary:
                case Kind::Note:
                case Kind::Signature:
                    stretch.notes.append(text);
                    line(kind, stretch.notes.size() - 1);
                    break;
                case Kind::Subtotal:
                case Kind::GrandTotal:
                case Kind::TableHeading:
                case Kind::TableRow:
                case Kind::TableTotal:
                    stretch.totals.append({text, cells, states});
                    line(kind, stretch.totals.size() - 1);
                    break;
                case Kind::Empty:
                case Kind::CarriedOut:
                case Kind::CarriedIn:
                    line(kind, 0);
                    break;
                }
                y += height;
            }
            break;
        }
        case Op::Open:
            in.skipText();
            break;
        case Op::Close:
            break;
        }
    }
    // The last page of the stretch goes on past it.
    if (carries && page < count - 1 && page >= first && m_starts.at(page + 1).carries) {
        y = m_frame.bodyBottom() - ReportLayouter::subtotalHeight;
        carriedLine(Kind::CarriedOut, QStringLiteral("A transportar"),
                    m_starts.at(page + 1).carried);
    }
    return stretch;
}
