#pragma once

#include <QDialog>
#include <functional>

class QPlainTextEdit;

// The editor of a report definition: the file's text in a plain-text editor; saving asks for
// the new report's title and writes it as a new definition beside the others.
class ReportEditorDialog : public QDialog {
    Q_OBJECT
public:
    // Asks the title for the new report, given the current one; an empty answer cancels.
    using TitleQuestion = std::function<QString(QWidget* parent, const QString& current)>;

    ReportEditorDialog(const QString& reportCode, const QString& filePath, const QString& text,
                       TitleQuestion askTitle, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_editor; }
    // The file written by the last save, empty before one.
    QString savedPath() const { return m_savedPath; }
    // Checks the text, asks the title and writes the new definition; true when written.
    bool saveAsNew();

private:
    QString m_reportCode;
    QString m_fileName;
    TitleQuestion m_askTitle;
    QPlainTextEdit* m_editor;
    QString m_savedPath;
};
