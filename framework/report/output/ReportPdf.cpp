#include "report/output/ReportPdf.h"

#include "base/Exceptions.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"
#include "report/engine/ReportProgress.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QXmlStreamWriter>

namespace {

// Passes the bytes QPdfWriter writes, a few at a time, on to the file in large blocks.
class BlockWriter : public QIODevice {
public:
    explicit BlockWriter(QIODevice& target) : m_target(target) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return true; }
    // Passes on what is still held; false when a write to the file failed.
    bool finish()
    {
        m_failed = m_failed || !OutputFile::writeAll(m_target, m_block.constData(), m_block.size());
        m_block.clear();
        return !m_failed;
    }
    qint64 written() const { return m_written; }

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

} // namespace

void ReportPdf::write(const ReportPages& pages, ReportProgress& progress)
{
    const ReportFrame& frame = pages.frame();
    const int count = pages.pageCount();
    progress.report(ReportProgress::Stage::Writing, 0, count);
    BlockWriter pdf(file().device());
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(600);
        writer.setTitle(infoTitle(frame.header.title));
        writer.setCreator(QStringLiteral("KLX"));
        // The pages may summarise long code lists; the metadata keeps them whole.
        writer.setDocumentXmpMetadata(metadata(frame.header));
        writer.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4),
            frame.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Exception(
                QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(file().path()));
        try {
            ReportPainter::PageSequence sequence(painter, pages);
            for (int page = 0; page < count; ++page) {
                progress.checkCancel();
                file().check();
                if (page > 0)
                    writer.newPage();
                sequence.paint(page);
                progress.report(ReportProgress::Stage::Writing, page + 1, count);
            }
        } catch (...) {
            painter.end();
            throw;
        }
        painter.end();
    }
    const bool whole = pdf.finish();
    file().check();
    if (!whole || pdf.written() == 0)
        throw Exception(
            QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(file().path()));
}
