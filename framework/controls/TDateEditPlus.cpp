#include "controls/TDateEditPlus.h"

#include "controls/DateCalendarPopup.h"
#include "controls/DateEditText.h"

#include <QAction>
#include <QIcon>
#include <QKeyEvent>
#include <QStyle>

TDateEditPlus::TDateEditPlus(QWidget* parent) : TMaskEdit(parent)
{
    SetEditMask(DateEditText::mask());
    QAction* dropDown = addAction(QIcon::fromTheme(QStringLiteral("x-office-calendar"),
                                                   style()->standardIcon(QStyle::SP_ArrowDown)),
                                  QLineEdit::TrailingPosition);
    dropDown->setObjectName(QStringLiteral("calendarButton"));
    dropDown->setToolTip(tr("Calendário"));
    connect(dropDown, &QAction::triggered, this, &TDateEditPlus::DropDown);
}

TDateTime TDateEditPlus::GetDate() const
{
    return DateTime::fromDate(DateEditText::toDate(GetText()));
}

void TDateEditPlus::SetDate(TDateTime date)
{
    SetText(DateEditText::fromDate(DateTime::toDate(date)));
    CheckValidDate();
}

bool TDateEditPlus::IsDateValid() const
{
    return DateEditText::isValid(GetText());
}

void TDateEditPlus::CheckValidDate()
{
    if (GetText().isEmpty())
        setTextColor(QColor());
    else
        setTextColor(IsDateValid() ? m_validColor : QColor(Qt::red));
}

void TDateEditPlus::SetBackground(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void TDateEditPlus::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color.isValid() ? color : QPalette().color(QPalette::Text));
    setPalette(pal);
}

void TDateEditPlus::DropDown()
{
    auto* popup = new DateCalendarPopup(m_weekdayNames, this);
    popup->setObjectName(QStringLiteral("calendarPopup"));
    popup->popup(this, DateEditText::toDate(GetText()), [this](const QDate& date) {
        SetDate(DateTime::fromDate(date));
        setFocus(Qt::PopupFocusReason);
    });
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 ||
        (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))) {
        DropDown();
        return;
    }
    TMaskEdit::keyPressEvent(event);
}
