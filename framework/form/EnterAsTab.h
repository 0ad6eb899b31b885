#pragma once

#include "controls/WidgetsExport.h"

#include <QObject>

class QWidget;

// "Enter passa ao próximo campo": with the option on (it is off by default), Enter in a
// field of a form (an edit, a list, a radio button or a check box) goes to the next field as
// Tab does, its whole text selected. Enter with Ctrl (the preview's key) and Enter in an open
// list keep their own meaning, and so does Enter on a button.
class KLX_WIDGETS_EXPORT EnterAsTab : public QObject {
    Q_OBJECT
public:
    static void setEnabled(bool enabled);
    static bool enabled();
    // Watches the fields inside the window.
    static void watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
