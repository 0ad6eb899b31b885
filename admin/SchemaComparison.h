#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Administration;

// How a database differs from the statements of its schema's scripts (Schema::statements):
// the objects they create that it lacks; the views, routines and triggers whose text is not
// the scripts'; and, on Firebird, the rights on the application's objects that the scripts
// do not grant, or that they grant and the database lacks. The object's owner and SYSDBA hold
// every right and are left out; so are the members of the report role, the operators, which
// the operators' own checks look at.
class SchemaComparison {
public:
    struct Object {
        QString kind; // TABLE, VIEW, PROCEDURE, FUNCTION, TRIGGER, SEQUENCE, EXCEPTION, ROLE,
                      // INDEX
        QString name;
        QString statement; // the scripts' last statement that makes it
    };
    // A right: privilege (SELECT, INSERT, UPDATE, DELETE, REFERENCES, EXECUTE, USAGE) on an
    // object to a grantee (ROLE, VIEW, TRIGGER, PROCEDURE, FUNCTION or USER; PUBLIC is a USER).
    struct Right {
        QString privilege;
        QString objectKind; // TABLE (a table or view), PROCEDURE, FUNCTION, SEQUENCE, EXCEPTION
        QString object;
        QString column; // a right on one column (UPDATE, REFERENCES), else empty
        QString granteeKind;
        QString grantee;
        bool operator==(const Right& other) const;
    };

    explicit SchemaComparison(Administration& administration);

    QList<Object> missing();
    QList<Object> changed();
    QList<Right> missingRights();
    QList<Right> extraRights();
    // The scripts' GRANT statements, in order.
    const QStringList& grants() const { return m_grants; }

    // "SELECT em EMPRESA para o papel KLX_RELATORIO".
    static QString describe(const Right& right);
    // "a visão CHEQUE_OPERADOR".
    static QString describe(const Object& object);
    // The statement that takes the right away.
    static QString revokeOf(const Right& right);

private:
    bool present(const Object& object);
    // The text the database keeps for a view, routine or trigger; empty for any other kind.
    QString storedText(const Object& object);
    QList<Right> actualRights();

    Administration& m_administration;
    bool m_firebird;
    QList<Object> m_objects;
    QList<Right> m_expected;
    QStringList m_grants;
};
