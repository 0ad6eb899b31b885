#include "report/output/ReportOutput.h"

ReportBodySink* ReportOutput::body(const ReportFrame&, const Options&)
{
    return nullptr;
}
