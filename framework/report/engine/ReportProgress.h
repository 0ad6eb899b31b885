#pragma once

#include "report/engine/ReportExport.h"

#include <QString>

// Where a report run tells what it has done, and learns that it must stop. The run calls it
// from its worker thread and from its query's thread.
class KLX_REPORT_EXPORT ReportProgress {
public:
    // Raised in the run when it was asked to stop.
    struct Cancelled {};

    // Query: the rows are read and laid out as they come. Writing, Printing: the pages go to
    // a file, to a printer.
    enum class Stage { Query, Writing, Printing };

    virtual ~ReportProgress() = default;
    // Whether the run was asked to stop.
    virtual bool isCancelled() const = 0;
    // What the stage has done: rows read, or pages written of the total.
    virtual void report(Stage stage, int done, int total = 0) = 0;

    // Raises Cancelled when the run was asked to stop.
    void checkCancel() const
    {
        if (isCancelled())
            throw Cancelled();
    }

    // A line for the progress window, in Portuguese.
    static QString text(Stage stage, int done, int total);
};
