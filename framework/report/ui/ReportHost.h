#pragma once

#include "controls/WidgetsExport.h"
#include "report/engine/ReportCriteria.h"

#include <QList>
#include <QString>

class QWidget;
class TSaveDialog;

// What a report command needs of the screen it runs for: the codes on its pages, its
// messages, its save dialog's settings, its report list and a parent for the dialogs.
class KLX_WIDGETS_EXPORT ReportHost {
public:
    virtual ~ReportHost() = default;

    virtual QString screenCode() const = 0;
    virtual QString reportCode() const = 0;
    // The text of a message of the screen.
    virtual QString message(const QString& key) const = 0;
    // The settings of the screen's save dialog, which keep the user's last choice.
    virtual TSaveDialog& saveDialogSettings() = 0;
    // Reads the screen's report list again (after a definition was saved).
    virtual void loadReportList() = 0;
    // Reports that the report's definition file is missing and aborts.
    virtual void reportFileMissing() const = 0;
    // The window the command's dialogs belong to.
    virtual QWidget* dialogParent() = 0;
    // What the pages' criteria add to those of the bound parameters: what the screen knows
    // the report leaves out of what the user chose.
    virtual QList<ReportCriteria::Item> criteriaNotes() const { return {}; }
};
