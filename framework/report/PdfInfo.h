#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>

// The document information of a finished PDF file (what viewers show as its properties).
namespace PdfInfo {

// Adds entries such as Subject and Keywords to the information dictionary of a PDF file
// written by QPdfWriter, whose own setters stop at Title and Creator. The file's bytes stay
// as they are: an incremental update at its end replaces the dictionary with a copy holding
// the new entries too. Raises an Exception when the file cannot be read as such a PDF or
// cannot be written.
void add(const QString& path, const QList<std::pair<QByteArray, QString>>& entries);

} // namespace PdfInfo
