#pragma once

#include "core/Events.h"

#include <QLineEdit>

// A line edit with an edit mask in the classic notation ("999999;0; "), translated to Qt's.
// Its exit event is raised when the user moves the focus to another control.
class TMaskEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TMaskEdit(QWidget* parent = nullptr);

    QString EditMask() const { return m_editMask; }
    void SetEditMask(const QString& classicMask);
    // The text without the blanks of unfilled positions (and without literals unless the
    // mask saves them); "" when nothing is entered.
    QString GetText() const;
    void SetText(const QString& text);

    TNotifyEvent OnExit;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_editMask;
};
