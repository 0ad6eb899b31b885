#include "report/engine/ReportPages.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportPaginator.h"
#include "report/engine/ReportSizes.h"

#include <QDir>
#include <QMutexLocker>
#include <cerrno>
#include <cstring>
#include <optional>

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

// A provisional frame is asked for at most this often, in milliseconds.
constexpr qint64 frameInterval = 250;

} // namespace

class ReportPages::Cutter {
public:
    Cutter(const ReportFrame& frame, const QString& sourceName, QVector<PageStart>& starts)
        : m_paginator(frame.bodyTop, frame.bodyBottom(), sourceName,
                      frame.carryColumn >= 0 ? ReportSizes::subtotalHeight : 0),
          m_starts(starts)
    {
        m_starts = {PageStart{0, {}, 0, true}};
    }

    // Lines placed together, their record at the offset, as tall as the height with the room
    // below them; the running total after them (none when they hold no row) and whether they
    // hold the grand total. True when they begin a page.
    bool place(qint64 offset, double height, double room, std::optional<qint64> carried,
               bool grandTotal)
    {
        const qint64 carriedBefore = m_carried;
        // Past the grand total (the inconsistencies, the line to sign) nothing is carried.
        const bool totalledBefore = m_totalled;
        m_carried = carried.value_or(m_carried);
        m_totalled = m_totalled || grandTotal;
        if (!m_paginator.place(height, room))
            return false;
        m_starts << PageStart{offset, m_paginator.openHeadings(), carriedBefore, !totalledBefore};
        return true;
    }
    void openHeading(const QString& heading) { m_paginator.openHeading(heading); }
    void closeHeading() { m_paginator.closeHeading(); }

private:
    ReportPaginator m_paginator;
    QVector<PageStart>& m_starts;
    qint64 m_carried = 0;
    bool m_totalled = false;
};

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
    if (!m_cutter) {
        placeRecord(pieces, room);
        return;
    }
    QMutexLocker lock(&m_reading);
    const qint64 offset = m_written + m_buffer.size();
    placeRecord(pieces, room);
    // The heights as the file keeps them, so that the pages break where a cut of the file
    // would break them.
    double height = 0;
    std::optional<qint64> carried;
    bool grandTotal = false;
    for (const ReportPiece& piece : pieces) {
        height += static_cast<float>(piece.height);
        grandTotal = grandTotal || piece.kind == Kind::GrandTotal;
        if (piece.kind == Kind::Detail)
            carried = piece.carried;
    }
    if (m_cutter->place(offset, height, static_cast<float>(room), carried, grandTotal) &&
        m_sinceFrame.elapsed() >= frameInterval) {
        // The columns as wide as the rows so far ask; the body's top stays where it was cut.
        m_shownFrame = m_provisional();
        m_shownFrame.bodyTop = m_cutTop;
        m_sinceFrame.restart();
    }
}

void ReportPages::placeRecord(const QVector<ReportPiece>& pieces, double room)
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
    std::optional<QMutexLocker<QMutex>> lock;
    if (m_cutter) {
        lock.emplace(&m_reading);
        m_cutter->openHeading(heading);
    }
    Encoder out(m_buffer);
    out.byte(static_cast<quint8>(Op::Open));
    out.text(heading);
}

void ReportPages::closeHeading()
{
    std::optional<QMutexLocker<QMutex>> lock;
    if (m_cutter) {
        lock.emplace(&m_reading);
        m_cutter->closeHeading();
    }
    Encoder(m_buffer).byte(static_cast<quint8>(Op::Close));
}

void ReportPages::cutAsPlaced(const ReportFrame& provisional, std::function<ReportFrame()> frame)
{
    QMutexLocker lock(&m_reading);
    m_cutter = std::make_unique<Cutter>(provisional, m_sourceName, m_starts);
    m_cutTop = provisional.bodyTop;
    m_shownFrame = provisional;
    m_provisional = std::move(frame);
    m_sinceFrame.start();
}

ReportPages::Progress ReportPages::progress() const
{
    QMutexLocker lock(&m_reading);
    if (m_finished)
        return {pageCount(), m_frame, true};
    // The last page cut is still being filled.
    return {std::max(0, static_cast<int>(m_starts.size()) - 1), m_shownFrame, false};
}

void ReportPages::flush()
{
    if (m_buffer.isEmpty())
        return;
    // Flushed at once: a full disk is told here, with its reason, not when reading back. Pages
    // read meanwhile moved the file's position: the block goes after the last one.
    if (!m_file.seek(m_written) ||
        !OutputFile::writeAll(m_file, m_buffer.constData(), m_buffer.size()) || !m_file.flush()) {
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
    {
        QMutexLocker lock(&m_reading);
        flush();
        m_buffer.squeeze();
        m_rows = rows;
        m_inconsistencies = inconsistencies;
        // Cut as the body came, under a frame whose body began where the final one's does:
        // the pages stand as they were cut.
        if (m_cutter && qFuzzyCompare(m_cutTop, frame.bodyTop)) {
            m_frame = frame;
            m_finished = true;
            m_cutter.reset();
            m_provisional = nullptr;
            return;
        }
    }
    // One pass over the file, a block at a time; only the heights, the groups and the carried
    // totals are read. Pages cut before stay readable meanwhile.
    QVector<PageStart> starts;
    Cutter cutter(frame, m_sourceName, starts);
    qint64 blockStart = 0;
    for (const qint64 blockEnd : std::as_const(m_blockEnds)) {
        QByteArray block;
        {
            QMutexLocker lock(&m_reading);
            block = read(blockStart, blockEnd);
        }
        Decoder in(block);
        while (!in.atEnd()) {
            const qint64 offset = blockStart + in.position();
            switch (static_cast<Op>(in.byte())) {
            case Op::Place: {
                const double room = in.real();
                double height = 0;
                std::optional<qint64> carried;
                bool grandTotal = false;
                for (quint32 piece = in.count(); piece > 0; --piece) {
                    const auto kind = static_cast<Kind>(in.byte());
                    grandTotal = grandTotal || kind == Kind::GrandTotal;
                    height += in.real();
                    in.skipText();
                    in.skipTexts();
                    in.skipText();
                    if (kind == Kind::Detail) {
                        carried = in.whole();
                        in.byte();
                    }
                }
                cutter.place(offset, height, room, carried, grandTotal);
                break;
            }
            case Op::Open:
                cutter.openHeading(in.text());
                break;
            case Op::Close:
                cutter.closeHeading();
                break;
            }
        }
        blockStart = blockEnd;
    }
    QMutexLocker lock(&m_reading);
    m_starts = starts;
    m_frame = frame;
    m_finished = true;
    m_cutter.reset();
    m_provisional = nullptr;
}

QByteArray ReportPages::read(qint64 from, qint64 to) const
{
    QByteArray bytes;
    const qint64 onDisk = std::min(to, m_written);
    if (from < onDisk && m_file.seek(from))
        bytes = m_file.read(onDisk - from);
    if (to > m_written)
        bytes.append(m_buffer.constData() + std::max<qint64>(0, from - m_written),
                     to - std::max(from, m_written));
    if (bytes.size() != to - from)
        throw Exception(
            QStringLiteral("Não foi possível ler o arquivo temporário do relatório "
                           "'%1': %2")
                .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
    return bytes;
}

// Reads a stretch of pages back from their records: each page holds the records from its start
// to the next page's, stacked from the top of the body under the headings it repeats, with
// the running total at the foot of a page that goes on and at the head of the next.
class ReportPages::PageReader {
public:
    // The starts of the pages first..last and of the one after them; count: the pages whole.
    PageReader(ReportPageStretch& stretch, const ReportFrame& frame,
               const QVector<PageStart>& starts, int first, int last, int count)
        : m_stretch(stretch), m_frame(frame), m_starts(starts), m_first(first), m_last(last),
          m_count(count), m_page(first - 1), m_carries(frame.carryColumn >= 0)
    {
    }

    // The records from the first page's start on, at that offset of the body.
    void read(const QByteArray& bytes, qint64 from)
    {
        Decoder in(bytes);
        while (!in.atEnd()) {
            beginPagesAt(from + in.position());
            switch (static_cast<Op>(in.byte())) {
            case Op::Place:
                in.real();
                for (quint32 pieces = in.count(); pieces > 0; --pieces)
                    placePiece(in);
                break;
            case Op::Open:
                in.skipText();
                break;
            case Op::Close:
                break;
            }
        }
        // The last page of the stretch goes on past it.
        if (m_page < m_count - 1)
            carryOut();
    }

private:
    const PageStart& start(int page) const { return m_starts.at(page - m_first); }

    void line(Kind kind, qsizetype index)
    {
        m_stretch.pages.last().lines.append(
            {kind, static_cast<int>(index), static_cast<float>(m_y)});
    }

    void carriedLine(Kind kind, const QString& label, qint64 cents)
    {
        QStringList cells;
        for (int c = 0; c < m_frame.labels.size(); ++c)
            cells << (c == m_frame.carryColumn ? ReportFormat::money(cents) : QString());
        m_stretch.totals.append({label, cells, {}});
        line(kind, m_stretch.totals.size() - 1);
    }

    // Closes the pages that end at the offset and opens those that begin there.
    void beginPagesAt(qint64 offset)
    {
        while (m_page < m_last && offset == start(m_page + 1).offset) {
            carryOut();
            openPage();
        }
    }

    // The running total at the foot of the page, when the next one carries it.
    void carryOut()
    {
        if (!m_carries || m_page < m_first || !start(m_page + 1).carries)
            return;
        m_y = m_frame.bodyBottom() - ReportSizes::subtotalHeight;
        carriedLine(Kind::CarriedOut, QStringLiteral("A transportar"), start(m_page + 1).carried);
    }

    // The next page: the total carried into it, then the groups it continues.
    void openPage()
    {
        ++m_page;
        m_stretch.pages.append(ReportPageStretch::Page());
        m_y = m_frame.bodyTop;
        if (m_carries && m_page > 0 && start(m_page).carries) {
            carriedLine(Kind::CarriedIn, QStringLiteral("Transporte"), start(m_page).carried);
            m_y += ReportSizes::subtotalHeight;
        }
        for (const QString& heading : start(m_page).openHeadings) {
            m_stretch.headings.append(heading + QStringLiteral(" (continuação)"));
            line(Kind::GroupHeading, m_stretch.headings.size() - 1);
            m_y += ReportSizes::headingHeight;
        }
    }

    // One line of a record, under the last.
    void placePiece(Decoder& in)
    {
        const auto kind = static_cast<Kind>(in.byte());
        const float height = in.real();
        const QString text = in.text();
        const QStringList cells = in.texts();
        const QString states = in.text();
        switch (kind) {
        case Kind::Detail:
            in.whole();
            m_stretch.rows.append(cells);
            m_stretch.cancelled.append(in.byte() != 0);
            line(kind, m_stretch.rows.size() - 1);
            break;
        case Kind::GroupHeading:
            m_stretch.headings.append(text);
            line(kind, m_stretch.headings.size() - 1);
            break;
        case Kind::StateSummary:
        case Kind::Note:
        case Kind::Signature:
            m_stretch.notes.append(text);
            line(kind, m_stretch.notes.size() - 1);
            break;
        case Kind::Subtotal:
        case Kind::GrandTotal:
        case Kind::TableHeading:
        case Kind::TableRow:
        case Kind::TableTotal:
            m_stretch.totals.append({text, cells, states});
            line(kind, m_stretch.totals.size() - 1);
            break;
        case Kind::Empty:
        case Kind::CarriedOut:
        case Kind::CarriedIn:
            line(kind, 0);
            break;
        }
        m_y += height;
    }

    ReportPageStretch& m_stretch;
    const ReportFrame& m_frame;
    const QVector<PageStart>& m_starts;
    const int m_first;
    const int m_last;
    const int m_count;
    int m_page;
    const bool m_carries;
    double m_y = 0;
};

ReportPageStretch ReportPages::pages(int first, int last) const
{
    ReportPageStretch stretch;
    // What the pages are read with, taken at once: a layout going on adds pages meanwhile.
    QMutexLocker lock(&m_reading);
    const int cut = static_cast<int>(m_starts.size());
    const int count = m_finished ? cut : cut - 1;
    stretch.reportPages = m_finished ? count : 0;
    if (count <= 0 || m_contents == Contents::Heights)
        return stretch;
    const ReportFrame frame = m_finished ? m_frame : m_shownFrame;
    first = std::clamp(first, 0, count - 1);
    last = std::clamp(last, first, count - 1);
    stretch.first = first;
    // The starts of the pages read and of the one after them.
    const QVector<PageStart> starts = m_starts.mid(first, last - first + 2);
    const qint64 from = starts.first().offset;
    const qint64 to = last + 1 < cut ? starts.at(last + 1 - first).offset : m_written;
    const QByteArray bytes = read(from, to);
    lock.unlock();
    PageReader(stretch, frame, starts, first, last, count).read(bytes, from);
    return stretch;
}
