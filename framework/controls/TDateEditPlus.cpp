#include "controls/TDateEditPlus.h"

#include "base/DateRules.h"
#include "base/Exceptions.h"
#include "controls/Colors.h"
#include "controls/DateCalendarPopup.h"
#include "controls/DateEditText.h"
#include "data/LoginContext.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
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
    completeTypedDate();
    if (GetText().isEmpty())
        setTextColor(QColor());
    else
        setTextColor(IsDateValid() ? m_validColor : QColor(Qt::red));
}

void TDateEditPlus::SetBackground(const QColor& color)
{
    QPalette pal = palette();
    Colors::setWhenEnabled(pal, QPalette::Base, color);
    setPalette(pal);
}

void TDateEditPlus::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    Colors::setWhenEnabled(pal, QPalette::Text,
                           color.isValid() ? color : QPalette().color(QPalette::Text));
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

void TDateEditPlus::PasteText(const QString& text)
{
    if (const auto date = DateRules::readDate(text, QDate::currentDate())) {
        SetText(DateEditText::fromDate(*date));
        m_typedWhole = false;
        return;
    }
    insert(text.trimmed());
}

void TDateEditPlus::recordTyping(const QKeyEvent* event)
{
    const QString text = event->text();
    const bool typing = !text.isEmpty() && text.at(0).isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (!typing) {
        // An edit inside the text (Backspace, arrows) makes it no longer one typed whole.
        if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Tab &&
            event->key() != Qt::Key_Backtab)
            m_typedWhole = false;
        return;
    }
    const bool replacingAll = hasSelectedText() && selectedText() == displayText();
    if (replacingAll || (!m_typedWhole && GetText().isEmpty())) {
        m_typed.clear();
        m_typedWhole = true;
    }
    if (m_typedWhole)
        m_typed += text;
}

void TDateEditPlus::completeTypedDate()
{
    const QString shown = GetText();
    if (shown.isEmpty() || DateEditText::toDate(shown).isValid())
        return;
    const QDate today = QDate::currentDate();
    std::optional<QDate> date;
    if (m_typedWhole)
        date = DateRules::readDate(m_typed, today);
    if (!date)
        date = DateRules::readDate(shown, today);
    if (date)
        SetText(DateEditText::fromDate(*date));
    m_typedWhole = false;
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
        (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier)) {
        DropDown();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteText(QGuiApplication::clipboard()->text());
        return;
    }
    recordTyping(event);
    if (m_typedWhole && m_typed.compare(QLatin1String("hoje"), Qt::CaseInsensitive) == 0) {
        SetText(DateEditText::fromDate(QDate::currentDate()));
        m_typedWhole = false;
        return;
    }
    if (event->text() == QLatin1String("/") && completeSection())
        return;
    TMaskEdit::keyPressEvent(event);
}

void TDateEditPlus::focusOutEvent(QFocusEvent* event)
{
    // Completed before the exit event, whose checks then see the whole date.
    completeTypedDate();
    TMaskEdit::focusOutEvent(event);
}

void TDateEditPlus::mousePressEvent(QMouseEvent* event)
{
    m_typedWhole = false;
    TMaskEdit::mousePressEvent(event);
}

void TDateEditPlus::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's "Colar" reads the clipboard as Ctrl+V does.
    if (auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
        disconnect(paste, &QAction::triggered, nullptr, nullptr);
        connect(paste, &QAction::triggered, this,
                [this] { PasteText(QGuiApplication::clipboard()->text()); });
    }
    menu->popup(event->globalPos());
}
