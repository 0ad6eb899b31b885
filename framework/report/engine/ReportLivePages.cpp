#include "report/engine/ReportLivePages.h"

#include "report/engine/ReportPages.h"

ReportLivePages::ReportLivePages(std::shared_ptr<const ReportPages> pages)
    : m_pages(std::move(pages))
{
    refresh();
}

ReportPageStretch ReportLivePages::pages(int first, int last) const
{
    ReportPageStretch stretch = m_pages->pages(first, std::min(last, m_progress.pages - 1));
    if (!m_progress.finished)
        stretch.reportPages = 0;
    return stretch;
}

bool ReportLivePages::refresh() const
{
    if (m_progress.finished)
        return false;
    const ReportPages::Progress now = m_pages->progress();
    const bool changed = now.pages != m_progress.pages || now.finished;
    m_progress = {now.pages, now.frame, now.finished};
    return changed;
}
