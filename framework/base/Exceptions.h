#pragma once

#include <QString>
#include <stdexcept>

// Base of the framework's errors: carries a message a user can read.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& Message() const { return m_message; }

private:
    QString m_message;
};

// The silent abort: ends the running event handler without any further message.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operação abortada"; }
};

// A failure reported by the database layer.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// The database cannot be reached now: no server answers or the connection to it broke, or
// another process holds the file locked. The same request may succeed later.
class EDatabaseUnavailable : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// The database refused who asked: a wrong password, a user it does not know, an operator who
// may not use the program, or a read the server does not allow that operator.
class ELoginRefused : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// A form description that cannot be applied.
class EFormDescriptionError : public Exception {
public:
    using Exception::Exception;
};
