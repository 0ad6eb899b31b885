#pragma once

#include "base/CoreExport.h"

#include <QChar>
#include <QList>
#include <QString>

// Classic edit masks: parsing, translation to a Qt input mask, and formatting of raw values.
//
// A classic mask is "pattern;saveLiterals;blank". Pattern characters: '0' required and '9'
// optional digit, '#' optional digit or sign, 'L'/'l' letter, 'A'/'a' letter or digit, 'C'/'c'
// any character (upper case required, lower case optional); '>' upper case and '<' lower case
// until the other, "<>" no case conversion; '!' right-aligns the value; '\' makes the next
// character a literal; '_' is a literal space; ':' and '/' and every other character are literals.
namespace Mask {

// Case conversion applied to an input position.
enum class CaseMode { None, Upper, Lower };

// What a pattern position accepts; Literal for a fixed character.
enum class Kind { Literal, Letter, AlphaNumeric, Any, Digit, DigitOrSign };

// One character position of a parsed pattern.
struct Position {
    Kind kind = Kind::Literal;
    QChar literal; // the character shown, for a literal position
    bool required = false;
    CaseMode caseMode = CaseMode::None;

    // True when the user types into this position.
    bool isInput() const { return kind != Kind::Literal; }
};

// A parsed classic mask.
struct EditMask {
    QString pattern; // the first field as written
    bool saveLiterals = true;
    QChar blank = QLatin1Char('_');
    bool rightAligned = false; // '!' in the pattern
    QList<Position> positions;

    // The number of input positions.
    int inputCount() const;
};

// Splits a classic mask into its fields and its positions.
KLX_CORE_EXPORT EditMask parse(const QString& classicMask);

// The Qt inputMask equivalent of a classic mask, including ";blank"; "" for an empty pattern.
KLX_CORE_EXPORT QString toQtInputMask(const QString& classicMask);

// The text a masked edit reports, from the edit's displayText(): the characters in input
// positions that are not the blank, plus the literals when the mask saves them; "" when no
// input position holds a character. With an empty pattern, the display text itself.
KLX_CORE_EXPORT QString textFromDisplay(const QString& classicMask, const QString& displayText);

// Formats a raw value with a classic mask, inserting the pattern's literals and showing the
// blank for input positions the value does not reach; an empty pattern leaves the value as is.
KLX_CORE_EXPORT QString FormatMaskText(const QString& editMask, const QString& value);

} // namespace Mask
