#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <optional>

// How klx-admin reads the values an administrator gives, on its command line and in the files
// it imports: std::nullopt for a value that does not read as one.
namespace FieldRules {

// A code stored at its column's full width: digits are padded with zeros ("1" is "01" in a
// column of 2); anything else must be letters and digits at the full width.
std::optional<QString> code(const QString& text, int width);

// A calendar date written DD/MM/AAAA (as the program shows dates) or AAAA-MM-DD, from 1900 to
// 2099.
std::optional<QDate> date(const QString& text);

// An amount in cents, not negative, of at most 13 digits before the decimals: "1.234,56" (as
// the program shows amounts: '.' between thousands, ',' before at most two decimals) or
// "1234.56" (a single '.' before one or two decimals).
std::optional<qint64> cents(const QString& text);

// A check's state: 0, 1 or 2, or the names the reports give them (Disponível, Emitido,
// Cancelado, in any case, with or without accents).
std::optional<QChar> checkState(const QString& text);

// A name or description: trimmed, without control characters, at most maxLength characters.
std::optional<QString> text(const QString& value, int maxLength);

} // namespace FieldRules
