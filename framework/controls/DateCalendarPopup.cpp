#include "controls/DateCalendarPopup.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

DateCalendarPopup::DateCalendarPopup(const QStringList& weekdayNames, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_calendar(new QCalendarWidget(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);
    m_calendar->setFirstDayOfWeek(Qt::Sunday);
    m_calendar->setGridVisible(true);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    layout->addWidget(m_calendar);
    if (weekdayNames.size() == 7) {
        // Our own header row carries the edit's weekday names, between the month's bar and
        // the days, where the calendar's own row stood.
        m_calendar->setHorizontalHeaderFormat(QCalendarWidget::NoHorizontalHeader);
        auto* header = new QGridLayout;
        header->setSpacing(0);
        for (int day = 0; day < 7; ++day) {
            auto* label = new QLabel(weekdayNames.at(day).left(3), this);
            label->setObjectName(QStringLiteral("weekday%1").arg(day));
            label->setToolTip(weekdayNames.at(day));
            label->setAlignment(Qt::AlignCenter);
            header->addWidget(label, 0, day);
        }
        if (auto* inner = qobject_cast<QVBoxLayout*>(m_calendar->layout()))
            inner->insertLayout(1, header);
        else
            layout->insertLayout(0, header);
    }
    connect(m_calendar, &QCalendarWidget::activated, this, [this](const QDate& date) {
        if (m_picked)
            m_picked(date);
        close();
    });
    connect(m_calendar, &QCalendarWidget::clicked, m_calendar, &QCalendarWidget::activated);
}

void DateCalendarPopup::popup(QWidget* anchor, const QDate& date,
                              std::function<void(const QDate&)> picked)
{
    m_picked = std::move(picked);
    m_calendar->setSelectedDate(date.isValid() ? date : QDate::currentDate());
    adjustSize();
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}
