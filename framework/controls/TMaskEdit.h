#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QLineEdit>

// A line edit with an edit mask in the classic notation ("999999;0; "), translated to Qt's.
// Its exit event is raised when the user moves the focus to another control. Tab, and a
// check that sends the focus back, select the whole text; a click never leaves the cursor past the
// first unfilled position.
class KLX_WIDGETS_EXPORT TMaskEdit : public QLineEdit {
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

    // The first input position that holds nothing yet; -1 when every one is filled or
    // there is no mask.
    int FirstBlankPosition() const;

protected:
    // Entered by Tab, or given the focus by code (a check that refused the text), the whole
    // text is selected, so that typing replaces it.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // A click past what is typed puts the cursor at the first unfilled position, where
    // typing goes on, rather than among blanks that would refuse the digits.
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_editMask;
};
