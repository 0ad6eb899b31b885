#pragma once

#include "base/OutputFile.h"
#include "report/engine/ReportExport.h"
#include "report/output/ReportOutput.h"

#include <optional>

// An output that is a file: opened as an OutputFile (the path checked, the bytes going to a
// temporary file beside it), closed by putting it in place.
class KLX_REPORT_EXPORT ReportFileOutput : public ReportOutput {
public:
    // The file, and the files it must never overwrite (the open database).
    ReportFileOutput(const QString& path, const QStringList& untouchable)
        : m_path(path), m_untouchable(untouchable)
    {
    }

    void open() override { m_file.emplace(m_path, m_untouchable); }
    void close() override { m_file->commit(); }

protected:
    // The open file.
    OutputFile& file() { return *m_file; }

private:
    QString m_path;
    QStringList m_untouchable;
    std::optional<OutputFile> m_file;
};
