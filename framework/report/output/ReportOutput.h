#pragma once

#include "report/engine/ReportExport.h"

#include <QString>
#include <QStringList>

class ReportBodySink;
class ReportPages;
class ReportProgress;
struct ReportFrame;

// Where a laid-out report goes: a kind of file (PDF, CSV) or a printer. A report job opens the
// output before the query runs, hands it the body as the layout goes when the output takes it
// that way, has it write the laid-out pages, and closes it. A file goes to a temporary file
// beside its target and takes the target's place only when closed: an output destroyed before
// (a cancel, a failure) leaves the target as it was. Failures raise an Exception whose text,
// in Portuguese, names the file and the reason; a cancel raises ReportProgress::Cancelled.
class KLX_REPORT_EXPORT ReportOutput {
public:
    // What a file that holds the rows as a table holds besides them.
    struct Options {
        // The total lines and state summaries among the rows, where the pages have them.
        bool totals = false;
        // Before the column labels, the report's title, processing date and criteria in full.
        bool criteria = false;
        // A CSV for Excel: a byte-order mark first (Excel then reads UTF-8), and codes such as
        // check numbers kept as text ("001101", not 1101).
        bool excel = false;
        // How many threads paint a file of pages (PDF); 0: one a core.
        int threads = 0;
    };

    virtual ~ReportOutput() = default;

    // The file type as the save dialog offers it: "Documento PDF (*.pdf)"; empty for a
    // printer.
    virtual QString nameFilter() const = 0;
    // The file name suffixes the output writes, in lower case without the dot; none for a
    // printer.
    virtual QStringList suffixes() const = 0;
    // Whether the file holds the rows as a table, where the Options count.
    virtual bool tabular() const { return false; }

    // Makes the output ready: a file's path is checked and its temporary file made.
    virtual void open() = 0;
    // Where the body goes as the layout hands it on (the frame gives the columns and the
    // header), for an output that writes the rows as they pass; nullptr for one that writes
    // the laid-out pages. An output that takes the body needs it before write().
    virtual ReportBodySink* body(const ReportFrame&, const Options&) { return nullptr; }
    // Writes the laid-out pages, or finishes what the body began.
    virtual void write(const ReportPages& pages, const Options& options,
                       ReportProgress& progress) = 0;
    // Puts the output in place: a file takes its target's place.
    virtual void close() = 0;
};
