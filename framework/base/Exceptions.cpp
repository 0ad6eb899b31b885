#include "base/Exceptions.h"

Exception::~Exception() = default;
EAbort::~EAbort() = default;
EDatabaseError::~EDatabaseError() = default;
EDatabaseUnavailable::~EDatabaseUnavailable() = default;
ELoginRefused::~ELoginRefused() = default;
EFormDescriptionError::~EFormDescriptionError() = default;
