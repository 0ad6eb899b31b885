#pragma once

#include "base/DateTime.h"
#include "controls/TMaskEdit.h"
#include "controls/WidgetsExport.h"

#include <QColor>
#include <QStringList>

class DateCalendarPopup;

// A date edit, DD/MM/YYYY, with a drop-down calendar (button, F4 or Alt+Down) that opens on
// the edit's date, or on the branch's processing date when the edit holds none.
// Blank, its text is "" and its date 0. A day or month of one digit followed by "/" takes
// a leading zero, so "1/2/2026" gives 01/02/2026. Typed and pasted text read the same forms
// (DateRules): a short year ("5/3/26") or an ISO date typed is completed when the edit is left
// or checked, "hoje" typed gives today, and a pasted date in any of those forms is shown whole.
class KLX_WIDGETS_EXPORT TDateEditPlus : public TMaskEdit {
    Q_OBJECT
public:
    explicit TDateEditPlus(QWidget* parent = nullptr);

    // The edit's date; 0 when blank or not a calendar date.
    TDateTime GetDate() const;
    // Shows the date; 0 empties the edit.
    void SetDate(TDateTime date);
    // True when blank or holding a real calendar date.
    bool IsDateValid() const;
    // Marks the typed date: the valid-date colour when it is a date, red when it is not.
    void CheckValidDate();

    QColor ValidColor() const { return m_validColor; }
    void SetValidColor(const QColor& color) { m_validColor = color; }
    void SetBackground(const QColor& color);
    // Weekday names for the calendar, Sunday first.
    QStringList NomeSemana() const { return m_weekdayNames; }
    void SetNomeSemana(const QStringList& names) { m_weekdayNames = names; }
    bool SaveTime() const { return m_saveTime; }
    void SetSaveTime(bool saveTime) { m_saveTime = saveTime; }

    // Opens the drop-down calendar.
    void DropDown();
    // Shows the date a pasted text writes; a text that writes none goes to the mask as typed.
    void PasteText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Completes a one-digit day or month when "/" is typed after it; false when the key
    // is left to the mask.
    bool completeSection();
    // Keeps the characters typed since the text was last replaced whole, which the mask may
    // have refused ("-", letters); they are read when the edit is left.
    void recordTyping(const QKeyEvent* event);
    // Replaces a text in one of the other forms (short year, ISO, "hoje") by the date.
    void completeTypedDate();
    void setTextColor(const QColor& color);

    QColor m_validColor = Qt::blue;
    QStringList m_weekdayNames;
    bool m_saveTime = false;
    QString m_typed;
    bool m_typedWhole = false;
};
