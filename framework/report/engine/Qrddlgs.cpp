#include "report/engine/Qrddlgs.h"

#include "data/TParams.h"

bool Qrddlgs::ExistParam(const TParams* params, const QString& name)
{
    return params && params->FindParam(name) != nullptr;
}
