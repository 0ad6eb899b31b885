#pragma once

#include "base/CoreExport.h"

#include <QObject>
#include <QStringList>

// A message table: one entry per line, the key, a vertical bar, the text.
class KLX_CORE_EXPORT TMessages : public QObject {
    Q_OBJECT
public:
    explicit TMessages(QObject* parent = nullptr) : QObject(parent) {}

    void SetLines(const QStringList& lines) { m_lines = lines; }
    const QStringList& Lines() const { return m_lines; }

    // The text of the entry with that key. A key the table lacks gives the framework's
    // standard text for it, or a text that names the key: never an empty text.
    QString Msg(const QString& key) const;
    // True when the table holds an entry with that key.
    bool Contains(const QString& key) const;

    // Fills the text's "%s" placeholders with the arguments, in order.
    static QString Format(const QString& text, const QStringList& arguments);

private:
    QStringList m_lines;
};
