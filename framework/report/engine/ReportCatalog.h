#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportExport.h"

#include <QList>
#include <QString>

// The report definitions of a report code, found as "<code>*.rpt" in two folders: the
// shipped one (beside the executable, or the one the host names) and the user's own, where
// "Salvar como novo" writes. The list holds the shipped definitions, then the user's, each
// in their order; a definition that does not read keeps its place, so an index always
// means the same file.
namespace ReportCatalog {

// One definition file of the list.
struct KLX_REPORT_EXPORT Entry {
    QString filePath;
    // The definition as read; empty (no title) when the file does not read.
    ReportDefinition definition;
    // Why the file does not read, with its name and line; empty when it reads.
    QString error;

    bool broken() const { return !error.isEmpty(); }
    // The definition's title; for a broken file, the title it states or its file name.
    QString title() const;
};

// The shipped folder: by default "reports" beside the executable.
KLX_REPORT_EXPORT QString directory();
KLX_REPORT_EXPORT void setDirectory(const QString& directory);
// The user's folder: by default "reports" in the application's data folder.
KLX_REPORT_EXPORT QString userDirectory();
KLX_REPORT_EXPORT void setUserDirectory(const QString& directory);

// The definitions of the code, in list order.
KLX_REPORT_EXPORT QList<Entry> load(const QString& reportCode);

// The title when no report of the code has it; else the title with " (cópia)" (or
// " (cópia 2)", ...) added, which none has.
KLX_REPORT_EXPORT QString freeTitle(const QString& reportCode, const QString& title);

// Saves a definition text as a new report of the code with the title, at the end of the list,
// in the user's folder; a text without a kind takes the given one. Returns the new file's
// path. Raises an Exception when the title is taken, naming the line of a bad text, or the
// file when it cannot be written.
KLX_REPORT_EXPORT QString saveAsNew(const QString& reportCode, const QString& text,
                                    const QString& title, const QString& kind);

// Whether the definition file is one of the user's own copies (in the user's folder, apart
// from the shipped one): those are edited in place, renamed and deleted.
KLX_REPORT_EXPORT bool isUsersOwn(const QString& filePath);

// Writes a user's own definition again with the text, whole or not at all; the text's title
// must be no other report's. Raises an Exception naming the line of a bad text, a title taken,
// or the file when it cannot be written.
KLX_REPORT_EXPORT void saveInPlace(const QString& reportCode, const QString& filePath,
                                   const QString& text);

// Gives a user's own definition another title (the same checks as above).
KLX_REPORT_EXPORT void rename(const QString& reportCode, const QString& filePath,
                              const QString& title);

// Deletes a user's own definition; raises an Exception when it cannot.
KLX_REPORT_EXPORT void remove(const QString& filePath);

} // namespace ReportCatalog
