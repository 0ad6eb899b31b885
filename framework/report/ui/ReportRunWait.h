#pragma once

#include "controls/WidgetsExport.h"
#include "report/output/ReportJob.h"

#include <memory>

class QWidget;
class ReportLiveRun;
class ReportOutput;

// A report run (ReportJob) waited for with the event loop turning, and, when shown, its
// progress window: modal over the application, it appears when the run goes on for a moment,
// follows the run's progress and cancels the run on "Cancelar". A wait ended by the
// application quitting stops the run and waits for it to stop. Each raises the run's failure.
namespace ReportRunWait {

// Runs the request; the pages, nullptr when cancelled.
KLX_WIDGETS_EXPORT ReportJob::Pages run(const ReportJob::Request& request, QWidget* parent,
                                        bool showProgress);
// Writes laid-out pages to an output that takes them whole; false when cancelled.
KLX_WIDGETS_EXPORT bool write(const ReportJob::Pages& pages, ReportOutput& output, QWidget* parent,
                              bool showProgress);
// Starts the request for a preview and waits until its first page is whole or it ends; the
// run goes on, nullptr when cancelled before.
KLX_WIDGETS_EXPORT std::shared_ptr<ReportLiveRun> preview(const ReportJob::Request& request,
                                                          QWidget* parent, bool showProgress);

} // namespace ReportRunWait
