#include "report/output/PdfJoin.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
// qpdf's older smart pointer is not used here.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <unistd.h>

namespace {

// qpdf's output, passed on to a device.
class DevicePipeline : public Pipeline {
public:
    DevicePipeline(QIODevice& device, const std::function<void()>& check)
        : Pipeline("klx", nullptr), m_device(device), m_check(check)
    {
    }
    void write(unsigned char const* data, size_t size) override
    {
        m_check();
        if (!OutputFile::writeAll(m_device, reinterpret_cast<const char*>(data),
                                  static_cast<qint64>(size)))
            throw std::runtime_error(m_device.errorString().toStdString());
    }
    void finish() override {}

private:
    QIODevice& m_device;
    const std::function<void()>& m_check;
};

// The document, read from its own descriptor so that the file's position stays its own.
std::unique_ptr<QPDF> read(QFile& document)
{
    if (!document.flush())
        throw std::runtime_error(document.errorString().toStdString());
    FILE* stream = ::fdopen(::dup(document.handle()), "rb");
    if (!stream)
        throw std::runtime_error(std::strerror(errno));
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    pdf->processFile("part", stream, true);
    return pdf;
}

} // namespace

void PdfJoin::join(const QList<QFile*>& documents, QIODevice& target,
                   const std::function<void()>& check)
{
    try {
        // Every document is read until the joined one is written: qpdf copies the pages'
        // streams from them as it writes.
        std::vector<std::unique_ptr<QPDF>> parts;
        for (QFile* document : documents)
            parts.push_back(read(*document));
        QPDFPageDocumentHelper joined(*parts.front());
        for (std::size_t part = 1; part < parts.size(); ++part) {
            check();
            for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*parts[part]).getAllPages())
                joined.addPage(page, false);
        }
        DevicePipeline output(target, check);
        QPDFWriter writer(*parts.front());
        writer.setOutputPipeline(&output);
        writer.setStreamDataMode(qpdf_s_preserve);
        writer.write();
    } catch (const Exception&) {
        throw;
    } catch (const std::exception& e) {
        throw Exception(QStringLiteral("as partes do PDF não puderam ser juntadas (%1)")
                            .arg(QString::fromLocal8Bit(e.what())));
    }
}
