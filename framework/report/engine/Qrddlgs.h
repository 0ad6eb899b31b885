#pragma once

#include <QString>

class TParams;

namespace Qrddlgs {
// True when the parameter collection holds a parameter of that name.
bool ExistParam(const TParams* params, const QString& name);
} // namespace Qrddlgs
