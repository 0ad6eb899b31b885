#pragma once

#include <QList>
#include <functional>

class QFile;
class QIODevice;

// Joins PDF documents into one, page after page, with qpdf. The first document gives the
// joined one its catalogue (its XMP metadata) and its information dictionary (title,
// creator); the pages of the others follow its own with their resources (each part keeps its
// fonts). Streams are copied as they are, never decompressed.
namespace PdfJoin {

// Writes the documents joined to the device, through `check` before every block of bytes
// (it may raise to stop the join). Raises an Exception whose text is the reason when a
// document cannot be read or the device takes no more bytes.
void join(const QList<QFile*>& documents, QIODevice& target, const std::function<void()>& check);

} // namespace PdfJoin
