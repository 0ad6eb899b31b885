#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// The keys of every object of a JSON text in the order the text writes them. QJsonObject
// sorts its keys, but a form description's properties are applied as written: some depend
// on others (a combo box's items before its selected index, a mask before a length).
//
// Objects are named by their path from the root: "" for the root, "/properties" for its
// member "properties", "/components/2" for the third item of its array "components";
// '~' and '/' inside a key are written "~0" and "~1".
class JsonKeyOrder {
public:
    // Reads a text that QJsonDocument has accepted.
    explicit JsonKeyOrder(const QByteArray& json);

    // The object's keys in written order, each once; empty for an unknown path.
    QStringList keys(const QString& path) const { return m_keys.value(path); }

private:
    void readValue(const QString& path);
    void readObject(const QString& path);
    void readArray(const QString& path);
    QString readString();
    void skipBlanks();
    // Skips blanks and the expected character; false, and nothing taken, when another follows.
    bool take(char expected);
    bool atEnd() const { return m_pos >= m_text.size(); }

    QByteArray m_text;
    qsizetype m_pos = 0;
    QHash<QString, QStringList> m_keys;
};
