#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QCheckBox>

// A check box. Every change of its state raises its click event, from code too.
class KLX_WIDGETS_EXPORT TCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TCheckBox(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    // Changes the state; a change raises OnClick in the caller's flow.
    void SetChecked(bool checked);

    TNotifyEvent OnClick;

private:
    bool m_settingFromCode = false;
};
