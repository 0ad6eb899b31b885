#pragma once

#include "base/CoreExport.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// A configuration file in INI form, read as its administrator wrote it: a value is the text
// after "=", surrounding blanks removed; a value in double quotes keeps its blanks, with \"
// and \\ inside for a quote and a backslash. A comma is part of the value (a path, a
// password), never a list. A line whose first character (blanks aside) is ';' or '#' is a
// comment; anywhere else they are part of the value. "[section]" opens a section. Anything
// else (a line without "=", binary bytes, text that is not UTF-8) means the file is no
// configuration file: the whole file is refused, naming it and the line.
class KLX_CORE_EXPORT ConfigFile {
public:
    // The sections and keys a program reads, by section.
    using Known = QHash<QString, QStringList>;

    // Reads a file: only a regular file of at most 1 MiB. Raises an Exception naming the file.
    static ConfigFile read(const QString& path);
    // Reads the bytes of a file of that name.
    static ConfigFile parse(const QByteArray& bytes, const QString& name);

    const QString& name() const { return m_name; }
    bool contains(const QString& section, const QString& key) const;
    // The value of the key (the last one written), or nothing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // The line the key's value stands on, from 1; 0 when absent.
    int line(const QString& section, const QString& key) const;

    // The line the section opens on, from 1; 0 when absent.
    int sectionLine(const QString& section) const;

    // A warning for each section and key that the known ones lack, the sections left aside
    // apart: "klx.ini:4: seção desconhecida [banco]", "klx.ini:7: chave desconhecida
    // [database] pth".
    QStringList unknown(const Known& known, const QStringList& aside = {}) const;

private:
    struct Entry {
        QString section;
        QString key;
        QString value;
        int line = 0;
    };
    const Entry* find(const QString& section, const QString& key) const;

    QString m_name;
    QList<Entry> m_entries;
    // Each section as first opened, with its line.
    QList<std::pair<QString, int>> m_sections;
};
