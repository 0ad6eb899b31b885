#include "report/output/ReportPdf.h"

#include "base/AnonymousFile.h"
#include "base/Exceptions.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"
#include "report/engine/ReportProgress.h"
#include "report/output/PdfJoin.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QThread>
#include <QXmlStreamWriter>
#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <vector>

namespace {

// Passes the bytes QPdfWriter writes, a few at a time, on to the file in large blocks.
class BlockWriter : public QIODevice {
public:
    explicit BlockWriter(QIODevice& target) : m_target(target) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    // Passes on what is still held; false when a write to the file failed.
    bool finish()
    {
        if (!m_failed && !OutputFile::writeAll(m_target, m_block.constData(), m_block.size())) {
            m_failed = true;
            setErrorString(m_target.errorString());
        }
        m_block.clear();
        return !m_failed;
    }
    qint64 written() const { return m_written; }
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_failed)
            return -1;
        m_block.append(data, size);
        if (m_block.size() >= blockSize && !finish())
            return -1;
        m_written += size;
        return size;
    }

private:
    static constexpr qsizetype blockSize = 256 * 1024;
    QIODevice& m_target;
    QByteArray m_block;
    bool m_failed = false;
    qint64 m_written = 0;
};

// A text as XML 1.0 admits it: the characters it does not (control characters but tab and
// line breaks, U+FFFE, U+FFFF, a lone surrogate) left out.
QString xmlText(const QString& text)
{
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean += c;
            clean += text.at(++i);
        } else if (!c.isSurrogate() && u != 0xfffe && u != 0xffff &&
                   (u >= 0x20 || u == u'\t' || u == u'\n' || u == u'\r')) {
            clean += c;
        }
    }
    return clean;
}

// The title of the document information dictionary, short enough for any reader: a PDF
// string holds at most 32,767 bytes (16,383 characters in UTF-16). The XMP metadata keeps
// the title whole.
QString infoTitle(const QString& title)
{
    constexpr qsizetype longest = 1000;
    const QString clean = xmlText(title);
    return clean.size() <= longest ? clean : clean.left(longest - 1) + QStringLiteral("…");
}

// The file's XMP metadata: the title, the criteria in full as its description, the screen
// and report codes and the title as its keywords.
QByteArray metadata(const ReportFrame::Header& header)
{
    QStringList criteria;
    for (const auto& [name, value] : header.fullCriteria)
        criteria << name + QStringLiteral(": ") + value;
    const QStringList keywords{xmlText(header.screenCode), xmlText(header.reportCode),
                               xmlText(header.title)};
    const QString rdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");

    QByteArray xmp;
    QXmlStreamWriter xml(&xmp);
    xml.setAutoFormatting(true);
    xml.writeProcessingInstruction(
        QStringLiteral("xpacket"),
        QStringLiteral("begin=\"\uFEFF\" id=\"W5M0MpCehiHzreSzNTczkc9d\""));
    xml.writeNamespace(QStringLiteral("adobe:ns:meta/"), QStringLiteral("x"));
    xml.writeNamespace(rdf, QStringLiteral("rdf"));
    xml.writeNamespace(QStringLiteral("http://purl.org/dc/elements/1.1/"), QStringLiteral("dc"));
    xml.writeNamespace(QStringLiteral("http://ns.adobe.com/pdf/1.3/"), QStringLiteral("pdf"));
    xml.writeNamespace(QStringLiteral("http://ns.adobe.com/xap/1.0/"), QStringLiteral("xmp"));
    xml.writeStartElement(QStringLiteral("adobe:ns:meta/"), QStringLiteral("xmpmeta"));
    xml.writeStartElement(rdf, QStringLiteral("RDF"));
    xml.writeStartElement(rdf, QStringLiteral("Description"));
    xml.writeAttribute(rdf, QStringLiteral("about"), QString());
    const auto alternative = [&](const QString& name, const QString& text) {
        xml.writeStartElement(QStringLiteral("http://purl.org/dc/elements/1.1/"), name);
        xml.writeStartElement(rdf, QStringLiteral("Alt"));
        xml.writeStartElement(rdf, QStringLiteral("li"));
        xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
        xml.writeCharacters(xmlText(text));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    };
    alternative(QStringLiteral("title"), header.title);
    alternative(QStringLiteral("description"),
                QStringLiteral("Critérios: ") + criteria.join(QStringLiteral("; ")));
    xml.writeStartElement(QStringLiteral("http://purl.org/dc/elements/1.1/"),
                          QStringLiteral("subject"));
    xml.writeStartElement(rdf, QStringLiteral("Bag"));
    for (const QString& keyword : keywords)
        xml.writeTextElement(rdf, QStringLiteral("li"), keyword);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeTextElement(QStringLiteral("http://ns.adobe.com/pdf/1.3/"), QStringLiteral("Keywords"),
                         keywords.join(QStringLiteral(", ")));
    xml.writeTextElement(QStringLiteral("http://ns.adobe.com/xap/1.0/"),
                         QStringLiteral("CreatorTool"), QStringLiteral("KLX"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeProcessingInstruction(QStringLiteral("xpacket"), QStringLiteral("end=\"w\""));
    return xmp;
}

// Paints the pages first..last-1 as a whole PDF document on the device: `before` runs before
// each page, `after` after it (either may raise to stop).
void paintDocument(const ReportPages& pages, int first, int last, QIODevice& device,
                   const QString& name, const std::function<void()>& before,
                   const std::function<void(int painted)>& after)
{
    const ReportFrame& frame = pages.frame();
    QPdfWriter writer(&device);
    writer.setResolution(600);
    writer.setTitle(infoTitle(frame.header.title));
    writer.setCreator(QStringLiteral("KLX"));
    // The pages may summarise long code lists; the metadata keeps them whole.
    writer.setDocumentXmpMetadata(metadata(frame.header));
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4),
                    frame.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(name));
    try {
        ReportPainter::PageSequence sequence(painter, pages);
        for (int page = first; page < last; ++page) {
            before();
            if (page > first)
                writer.newPage();
            sequence.paint(page);
            after(page - first + 1);
        }
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
}

// Raised in a painter thread told to stop.
struct Stopped {};

// A stretch of the pages painted in a thread of its own into a document of its own.
struct Part {
    int first = 0;
    int last = 0;
    std::unique_ptr<QFile> file;
    std::unique_ptr<QThread> thread;
    std::exception_ptr error;
};

// The parts' threads: told to stop and waited for whenever the writing ends, so that none
// outlives what it paints from.
class PartThreads {
public:
    explicit PartThreads(std::vector<Part>& parts) : m_parts(parts) {}
    ~PartThreads() { stopAndWait(); }
    PartThreads(const PartThreads&) = delete;
    PartThreads& operator=(const PartThreads&) = delete;

    std::atomic<bool> stop{false};
    std::atomic<int> painted{0};

    void stopAndWait()
    {
        stop = true;
        for (Part& part : m_parts)
            if (part.thread)
                part.thread->wait();
    }

private:
    std::vector<Part>& m_parts;
};

} // namespace

void ReportPdf::write(const ReportPages& pages, const Options& options, ReportProgress& progress)
{
    const int count = pages.pageCount();
    const int threads = options.threads > 0 ? options.threads : QThread::idealThreadCount();
    // The join holds every object of the file in memory (about 17 KB a page): past a bound, one
    // thread paints the pages straight into the file, whose memory does not grow with them.
    const int painters = count > maxJoinedPages ? 1 : std::clamp(threads, 1, std::max(count, 1));
    progress.report(ReportProgress::Stage::Writing, 0, count);
    BlockWriter pdf(file().device());
    if (painters == 1) {
        paintDocument(
            pages, 0, count, pdf, file().path(),
            [&] {
                progress.checkCancel();
                file().check();
            },
            [&](int painted) { progress.report(ReportProgress::Stage::Writing, painted, count); });
    } else {
        writeInParts(pages, painters, pdf, progress);
    }
    const bool whole = pdf.finish();
    file().check();
    if (!whole || pdf.written() == 0)
        throw Exception(
            QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(file().path()));
}

void ReportPdf::writeInParts(const ReportPages& pages, int painters, QIODevice& pdf,
                             ReportProgress& progress)
{
    const int count = pages.pageCount();
    const QString folder = QFileInfo(file().path()).absolutePath();
    const OutputFile& target = file();
    std::vector<Part> parts(static_cast<std::size_t>(painters));
    for (int i = 0; i < painters; ++i) {
        Part& part = parts[static_cast<std::size_t>(i)];
        part.first = static_cast<int>(static_cast<qint64>(count) * i / painters);
        part.last = static_cast<int>(static_cast<qint64>(count) * (i + 1) / painters);
        part.file = AnonymousFile::create(folder);
    }
    PartThreads threads(parts);
    for (Part& part : parts) {
        part.thread.reset(QThread::create([&pages, &part, &threads, &target] {
            try {
                BlockWriter device(*part.file);
                paintDocument(
                    pages, part.first, part.last, device, target.path(),
                    [&] {
                        if (threads.stop)
                            throw Stopped();
                        // A part that can no longer write stops at once, with its reason.
                        if (device.failed())
                            target.fail(part.file->errorString());
                    },
                    [&](int) { ++threads.painted; });
                if (!device.finish() || !part.file->flush())
                    target.fail(part.file->errorString());
            } catch (const Stopped&) {
            } catch (...) {
                part.error = std::current_exception();
                threads.stop = true;
            }
        }));
        part.thread->start();
    }
    for (Part& part : parts)
        while (!part.thread->wait(QDeadlineTimer(100))) {
            progress.report(ReportProgress::Stage::Writing, threads.painted, count);
            progress.checkCancel();
        }
    threads.stopAndWait();
    for (const Part& part : parts)
        if (part.error)
            std::rethrow_exception(part.error);
    progress.checkCancel();
    QList<QFile*> documents;
    for (const Part& part : parts)
        documents << part.file.get();
    try {
        PdfJoin::join(documents, pdf, [&] { progress.checkCancel(); });
    } catch (const Exception& e) {
        target.fail(e.Message());
    }
    progress.report(ReportProgress::Stage::Writing, count, count);
}
