#pragma once

#include "base/CoreExport.h"

#include <QString>
#include <stdexcept>

// Base of the framework's errors: carries a message a user can read. Each class's destructor
// is defined in the core library, which then alone holds its type, the one every library
// catches.
class KLX_CORE_EXPORT Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    ~Exception() override;
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// The silent abort: ends the running event handler without any further message.
class KLX_CORE_EXPORT EAbort : public std::exception {
public:
    ~EAbort() override;
    const char* what() const noexcept override { return "Operação abortada"; }
};

// A failure reported by the database layer.
class KLX_CORE_EXPORT EDatabaseError : public Exception {
public:
    using Exception::Exception;
    ~EDatabaseError() override;
};

// The database cannot be reached now: no server answers or the connection to it broke, or
// another process holds the file locked. The same request may succeed later.
class KLX_CORE_EXPORT EDatabaseUnavailable : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    ~EDatabaseUnavailable() override;
};

// The database refused who asked: a wrong password, a user it does not know, an operator who
// may not use the program, or a read the server does not allow that operator.
class KLX_CORE_EXPORT ELoginRefused : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    ~ELoginRefused() override;
};

// A form description that cannot be applied.
class KLX_CORE_EXPORT EFormDescriptionError : public Exception {
public:
    using Exception::Exception;
    ~EFormDescriptionError() override;
};
