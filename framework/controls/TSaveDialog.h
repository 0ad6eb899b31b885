#pragma once

#include "controls/WidgetsExport.h"

#include <QObject>
#include <QStringList>

class QWidget;

// The save-file dialog of a form: a title, file types and the last folder used.
class KLX_WIDGETS_EXPORT TSaveDialog : public QObject {
    Q_OBJECT
public:
    explicit TSaveDialog(QObject* parent = nullptr) : QObject(parent) {}

    QString Title;
    // File types as "description|*.ext" pairs: "Documento PDF (*.pdf)|*.pdf|...".
    QString Filter;
    // The file type offered first, from 0.
    int FilterIndex = 0;
    // The file name suggested, and after Execute the one chosen: a name that does not end
    // in an offered type's extension gets the chosen type's.
    QString FileName;
    // The folder the dialog opens in; it follows the user's last choice.
    QString InitialDir;

    // Shows the dialog; true when the user chose a file.
    bool Execute(QWidget* parent);
    // The extension (without the dot) of a file type.
    QString ExtensionOf(int filterIndex) const;
    // The name as the dialog suggests it: with the type offered first's extension when it
    // has none.
    QString SuggestedName(const QString& name) const;
    // The path chosen with the type: a name that does not end in an offered type's
    // extension gets the type's.
    QString WithExtension(const QString& path, int filterIndex) const;
};
