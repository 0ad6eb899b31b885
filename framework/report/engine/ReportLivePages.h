#pragma once

#include "report/engine/ReportExport.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"

#include <memory>

class ReportPages;

// The pages of a report still being laid out, as a preview reads them: those whole when last
// refreshed, in the frame they had then, their footers leaving the page count out until the
// report is finished.
class KLX_REPORT_EXPORT ReportLivePages : public ReportPageSource {
public:
    explicit ReportLivePages(std::shared_ptr<const ReportPages> pages);

    const ReportFrame& frame() const override { return m_progress.frame; }
    int pageCount() const override { return m_progress.pages; }
    ReportPageStretch pages(int first, int last) const override;
    bool finished() const override { return m_progress.finished; }
    bool refresh() const override;

private:
    std::shared_ptr<const ReportPages> m_pages;
    // What the pages were at the last refresh.
    mutable struct {
        int pages = 0;
        ReportFrame frame;
        bool finished = false;
    } m_progress;
};
