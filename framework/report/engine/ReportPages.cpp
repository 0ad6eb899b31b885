#include "report/engine/ReportPages.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"
#include "report/engine/ReportPaginator.h"

#include <QDir>
#include <QMutexLocker>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

enum class Op : quint8 { Place, Open, Close };

// The body's records: a byte for what follows, lengths as one byte (or 255 and four).
class Encoder {
public:
    explicit Encoder(QByteArray& out) : m_out(out) {}
    void byte(quint8 value) { m_out.append(static_cast<char>(value)); }
    void real(float value) { raw(&value, sizeof value); }
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
    explicit Decoder(const QByteArray& in) : m_at(in.constData()), m_end(in.constData() + in.size())
    {
    }
    bool atEnd() const { return m_at >= m_end; }
    quint8 byte() { return static_cast<quint8>(*take(1)); }
    float real()
    {
        float value;
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

private:
    const char* take(size_t size)
    {
        if (static_cast<size_t>(m_end - m_at) < size)
            throw Exception(QStringLiteral("O arquivo temporário do relatório está corrompido."));
        const char* at = m_at;
        m_at += size;
        return at;
    }
    const char* m_at;
    const char* m_end;
};

// The body is written in blocks of about this size.
constexpr qsizetype blockSize = 1 << 20;

} // namespace

struct ReportPages::Layout {
    Layout(double bodyTop, double bottom, const QString& sourceName)
        : bodyTop(bodyTop), paginator(bodyTop, bottom, sourceName), bottom(bottom)
    {
        paginator.beginPage({});
        starts.append(PageStart{0, {}});
    }
    double bodyTop;
    ReportPaginator paginator;
    double bottom;
    QVector<PageStart> starts;
    // The layout error of this place; the pages are no longer counted after it.
    QString error;
};

ReportPages::ReportPages(const QList<double>& bodyTops, double bottom, const QString& sourceName,
                         bool keep)
    : m_sourceName(sourceName)
{
    for (double bodyTop : bodyTops)
        m_layouts.push_back(std::make_unique<Layout>(bodyTop, bottom, sourceName));
    if (!keep)
        return;
    m_file.emplace(QDir::temp().filePath(QStringLiteral("klx-relatorio-XXXXXX.pages")));
    if (!m_file->open())
        throw Exception(
            QStringLiteral("Não foi possível criar o arquivo temporário do "
                           "relatório em '%1': %2")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), m_file->errorString()));
}

ReportPages::~ReportPages() = default;

void ReportPages::place(const QVector<ReportPiece>& pieces, double room)
{
    const qint64 offset = m_written + m_buffer.size();
    for (const auto& layout : m_layouts) {
        if (!layout->error.isEmpty())
            continue;
        if (layout->paginator.breaksBefore(pieces, room))
            layout->starts.append(PageStart{offset, layout->paginator.openHeadings()});
        try {
            layout->paginator.place(pieces, room);
        } catch (const Exception& e) {
            layout->error = e.Message();
        }
    }
    if (!m_file)
        return;
    Encoder out(m_buffer);
    out.byte(static_cast<quint8>(Op::Place));
    out.real(static_cast<float>(room));
    out.count(static_cast<quint32>(pieces.size()));
    for (const ReportPiece& piece : pieces) {
        out.byte(static_cast<quint8>(piece.kind));
        out.real(piece.height);
        out.text(piece.text);
        out.texts(piece.cells);
        out.text(piece.states);
    }
    if (m_buffer.size() >= blockSize)
        flush();
}

void ReportPages::openHeading(const QString& heading)
{
    for (const auto& layout : m_layouts)
        layout->paginator.openHeading(heading);
    if (!m_file)
        return;
    Encoder out(m_buffer);
    out.byte(static_cast<quint8>(Op::Open));
    out.text(heading);
}

void ReportPages::closeHeading()
{
    for (const auto& layout : m_layouts)
        layout->paginator.closeHeading();
    if (m_file)
        Encoder(m_buffer).byte(static_cast<quint8>(Op::Close));
}

void ReportPages::flush()
{
    if (m_buffer.isEmpty())
        return;
    // Flushed at once: a full disk is told here, with its reason, not when reading back.
    if (!OutputFile::writeAll(*m_file, m_buffer.constData(), m_buffer.size()) || !m_file->flush()) {
        const QString reason = qt_error_string(errno);
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo temporário do "
                                       "relatório '%1': %2")
                            .arg(QDir::toNativeSeparators(m_file->fileName()), reason));
    }
    m_written += m_buffer.size();
    m_buffer.clear();
}

void ReportPages::finish(const ReportDocument& frame, int rows)
{
    if (m_file)
        flush();
    m_frame = frame;
    m_rows = rows;
    for (const auto& layout : m_layouts)
        if (std::abs(layout->bodyTop - frame.bodyTop) < 1e-6)
            m_chosen = layout.get();
    if (!m_chosen)
        throw Exception(QStringLiteral("%1: o cabeçalho do relatório mudou de altura ao "
                                       "terminar a paginação.")
                            .arg(m_sourceName));
    if (!m_chosen->error.isEmpty())
        throw Exception(m_chosen->error);
    m_buffer.squeeze();
}

int ReportPages::pageCount() const
{
    return m_chosen ? m_chosen->paginator.pageCount() : 0;
}

QByteArray ReportPages::read(qint64 from, qint64 to) const
{
    QMutexLocker lock(&m_reading);
    QByteArray bytes;
    if (m_file->seek(from))
        bytes = m_file->read(to - from);
    if (bytes.size() != to - from)
        throw Exception(
            QStringLiteral("Não foi possível ler o arquivo temporário do relatório "
                           "'%1': %2")
                .arg(QDir::toNativeSeparators(m_file->fileName()), m_file->errorString()));
    return bytes;
}

ReportDocument ReportPages::pages(int first, int last) const
{
    const int count = pageCount();
    first = std::clamp(first, 0, std::max(0, count - 1));
    last = std::clamp(last, first, std::max(0, count - 1));
    ReportDocument document = m_frame;
    if (!m_chosen || !m_file)
        return document;
    document.pagesBefore = first;
    document.pagesAfter = count - 1 - last;
    const auto& starts = m_chosen->starts;
    const qint64 end = last + 1 < starts.size() ? starts.at(last + 1).offset : m_written;
    const QByteArray bytes = read(starts.at(first).offset, end);
    ReportPaginator paginator(m_chosen->bodyTop, m_chosen->bottom, m_sourceName, &document);
    paginator.beginPage(starts.at(first).openHeadings);
    Decoder in(bytes);
    QVector<ReportPiece> pieces;
    while (!in.atEnd()) {
        switch (static_cast<Op>(in.byte())) {
        case Op::Place: {
            const double room = in.real();
            pieces.resize(in.count());
            for (ReportPiece& piece : pieces) {
                piece.kind = static_cast<ReportPiece::Kind>(in.byte());
                piece.height = in.real();
                piece.text = in.text();
                piece.cells = in.texts();
                piece.states = in.text();
            }
            paginator.place(pieces, room);
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
    return document;
}
