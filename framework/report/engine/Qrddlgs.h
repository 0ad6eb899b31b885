#pragma once

#include "report/engine/ReportExport.h"

#include <QString>

class TParams;

namespace Qrddlgs {
// True when the parameter collection holds a parameter of that name.
KLX_REPORT_EXPORT bool ExistParam(const TParams* params, const QString& name);
} // namespace Qrddlgs
