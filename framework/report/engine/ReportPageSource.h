#pragma once

#include "report/engine/ReportExport.h"
#include "report/engine/ReportPageStretch.h"

struct ReportFrame;

// Where a preview reads a report's pages from: the frame they share, how many there are,
// and consecutive pages read back. The laid-out report's page store is one.
class KLX_REPORT_EXPORT ReportPageSource {
public:
    virtual ~ReportPageSource() = default;

    virtual const ReportFrame& frame() const = 0;
    virtual int pageCount() const = 0;
    // The pages first..last (from 0).
    virtual ReportPageStretch pages(int first, int last) const = 0;

    // For a report still being laid out: whether it is finished (its page count known; its
    // frame final), and taking in what the layout added since, from the thread that reads the
    // pages (true when anything changed). A laid-out report is finished from the start.
    virtual bool finished() const { return true; }
    virtual bool refresh() const { return false; }
};
