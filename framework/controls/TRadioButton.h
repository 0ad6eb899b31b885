#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QRadioButton>

// A radio button. Checking it from code raises its click event, as a user's click does;
// unchecking it from code raises nothing.
class KLX_WIDGETS_EXPORT TRadioButton : public QRadioButton {
    Q_OBJECT
public:
    explicit TRadioButton(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);

    TNotifyEvent OnClick;
    TKeyEvent OnKeyDown;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
