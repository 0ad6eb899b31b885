#pragma once

#include <QDate>
#include <QFrame>
#include <functional>

class QCalendarWidget;

// The calendar that drops down below a date edit, headed by the edit's weekday names.
class DateCalendarPopup : public QFrame {
    Q_OBJECT
public:
    DateCalendarPopup(const QStringList& weekdayNames, QWidget* parent = nullptr);

    // Shows the popup below the anchor with the date selected; picked is called on a choice.
    void popup(QWidget* anchor, const QDate& date, std::function<void(const QDate&)> picked);
    QCalendarWidget* calendar() const { return m_calendar; }

private:
    QCalendarWidget* m_calendar;
    std::function<void(const QDate&)> m_picked;
};
