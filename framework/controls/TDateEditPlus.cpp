#include "controls/TDateEditPlus.h"

#include "base/Exceptions.h"
#include "controls/DateCalendarPopup.h"
#include "controls/DateEditText.h"
#include "data/LoginContext.h"

#include <QAction>
#include <QIcon>
#include <QKeyEvent>
#include <QStyle>

namespace {
// Where the day and the month start in the text.
constexpr int sectionStarts[] = {0, 3};

// The date an empty calendar opens on: the processing date, else today.
QDate calendarStart()
{
    try {
        const QDate processing = DateTime::toDate(DataProc(FiliProc()));
        if (processing.isValid())
            return processing;
    } catch (const Exception&) {
        // No processing date to read: the calendar still opens, on today.
    }
    return QDate::currentDate();
}
} // namespace

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
    const QDate shown = DateEditText::toDate(GetText());
    popup->popup(this, shown.isValid() ? shown : calendarStart(), [this](const QDate& date) {
        SetDate(DateTime::fromDate(date));
        setFocus(Qt::PopupFocusReason);
    });
}

bool TDateEditPlus::completeSection()
{
    const int cursor = cursorPosition();
    for (const int start : sectionStarts) {
        if (cursor != start + 1 || hasSelectedText())
            continue;
        const QChar digit = displayText().at(start);
        if (!digit.isDigit())
            return false;
        // Typed over the section, so the mask's own editing (and undo) applies.
        setSelection(start, 2);
        insert(QStringLiteral("0") + digit);
        return true;
    }
    return false;
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
        (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier)) {
        DropDown();
        return;
    }
    if (event->text() == QLatin1String("/") && completeSection())
        return;
    TMaskEdit::keyPressEvent(event);
}
