#pragma once

#include "controls/WidgetsExport.h"

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class ReportDefinition;

// The editor of a report definition: the file's text in a plain-text editor. One of the
// user's own copies is saved in place ("Salvar"); any report can be saved as a new one, which
// asks for its title and writes it in the user's report folder. Closing with changes not
// saved (Escape, "Fechar") asks first.
class KLX_WIDGETS_EXPORT ReportEditorDialog : public QDialog {
    Q_OBJECT
public:
    // Asks the title for the new report, given the one suggested; an empty answer cancels.
    using TitleQuestion = std::function<QString(QWidget* parent, const QString& current)>;

    // The original is the report edited; text is its file's text.
    ReportEditorDialog(const QString& reportCode, const ReportDefinition& original,
                       const QString& text, TitleQuestion askTitle, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    // The file written by the last save, empty before one.
    QString savedPath() const { return m_savedPath; }
    // Checks the text, asks the title (suggesting one no report has) and writes the new
    // definition, of the original's kind, in the user's report folder; true when written.
    bool saveAsNew();
    // Writes the text back to the user's own copy; true when written.
    bool saveInPlace();
    // Asks before changes not saved are lost.
    void reject() override;

private:
    QString m_reportCode;
    QString m_filePath;
    QString m_fileName;
    QString m_kind;
    TitleQuestion m_askTitle;
    QPlainTextEdit* m_editor;
    QString m_savedPath;
};
