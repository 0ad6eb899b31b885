#include "base/Mask.h"

#include <algorithm>

namespace {

using Mask::CaseMode;
using Mask::EditMask;
using Mask::Kind;
using Mask::Position;

Position input(Kind kind, bool required, CaseMode caseMode)
{
    return Position{kind, QChar(), required, caseMode};
}

Position literal(QChar c)
{
    return Position{Kind::Literal, c, false, CaseMode::None};
}

QChar applyCase(QChar c, CaseMode mode)
{
    switch (mode) {
    case CaseMode::Upper:
        return c.toUpper();
    case CaseMode::Lower:
        return c.toLower();
    case CaseMode::None:
        break;
    }
    return c;
}

// Qt's mask character for an input position (Qt swaps 0/9 and names the kinds differently).
QChar qtInputChar(const Position& p)
{
    switch (p.kind) {
    case Kind::Letter:
        return QLatin1Char(p.required ? 'A' : 'a');
    case Kind::AlphaNumeric:
        return QLatin1Char(p.required ? 'N' : 'n');
    case Kind::Any:
        return QLatin1Char(p.required ? 'X' : 'x');
    case Kind::Digit:
        return QLatin1Char(p.required ? '9' : '0');
    case Kind::DigitOrSign:
    case Kind::Literal:
        break;
    }
    return QLatin1Char('#');
}

// A literal written so that Qt does not read it as a mask character.
QString qtLiteral(QChar c)
{
    // Qt ends its mask at the first ';', escaped or not: a space keeps the position instead.
    if (c == QLatin1Char(';'))
        return QStringLiteral(" ");
    static const QString qtMaskChars = QStringLiteral("AaNnXx90DdHhBb#<>![]{}\\");
    return qtMaskChars.contains(c) ? QString(QLatin1Char('\\')) + c : QString(c);
}

// The input characters of a value that holds the pattern's literals at their positions. The
// value is matched from its start, or from its end when right-aligned. A literal is skipped only
// where the value holds it, so a value lacking it loses nothing; an input position whose value
// character is the next literal stays blank, so "12//" keeps its fields apart. Characters beyond
// the pattern are kept.
QString withoutLiterals(const EditMask& mask, const QString& value)
{
    const bool fromEnd = mask.rightAligned;
    const int count = mask.positions.size();
    const auto at = [&](int i) -> const Position& {
        return mask.positions[fromEnd ? count - 1 - i : i];
    };
    const int step = fromEnd ? -1 : 1;
    int v = fromEnd ? value.size() - 1 : 0;
    QString chars;
    for (int i = 0; i < count && v >= 0 && v < value.size(); ++i) {
        const Position& p = at(i);
        if (!p.isInput()) {
            if (value[v] == p.literal)
                v += step;
            continue;
        }
        int next = i + 1;
        while (next < count && at(next).isInput())
            ++next;
        if (next < count && value[v] == at(next).literal) {
            chars += mask.blank;
            continue;
        }
        chars += value[v];
        v += step;
    }
    if (!fromEnd)
        return chars + value.mid(v);
    std::reverse(chars.begin(), chars.end());
    return value.left(v + 1) + chars;
}

} // namespace

int Mask::EditMask::inputCount() const
{
    return int(std::count_if(positions.cbegin(), positions.cend(),
                             [](const Position& p) { return p.isInput(); }));
}

Mask::EditMask Mask::parse(const QString& classicMask)
{
    EditMask mask;

    // The pattern ends at the first ';' that is not escaped; the flag and the blank follow.
    int end = 0;
    while (end < classicMask.size() && classicMask[end] != QLatin1Char(';'))
        end += classicMask[end] == QLatin1Char('\\') ? 2 : 1;
    end = std::min(end, int(classicMask.size()));
    mask.pattern = classicMask.left(end);
    if (end < classicMask.size()) {
        const QString rest = classicMask.mid(end + 1);
        const int separator = rest.indexOf(QLatin1Char(';'));
        mask.saveLiterals = (separator < 0 ? rest : rest.left(separator)) != QLatin1String("0");
        if (separator >= 0 && separator + 1 < rest.size())
            mask.blank = rest[separator + 1];
    }

    const QString& pattern = mask.pattern;
    CaseMode caseMode = CaseMode::None;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        switch (c.unicode()) {
        case '!':
            mask.rightAligned = true;
            break;
        case '>':
            caseMode = CaseMode::Upper;
            break;
        case '<':
            // "<>" switches case conversion off.
            if (i + 1 < pattern.size() && pattern[i + 1] == QLatin1Char('>')) {
                caseMode = CaseMode::None;
                ++i;
            } else {
                caseMode = CaseMode::Lower;
            }
            break;
        case '\\':
            if (++i < pattern.size())
                mask.positions.append(literal(pattern[i]));
            break;
        case '_':
            mask.positions.append(literal(QLatin1Char(' ')));
            break;
        case 'L':
        case 'l':
            mask.positions.append(input(Kind::Letter, c == QLatin1Char('L'), caseMode));
            break;
        case 'A':
        case 'a':
            mask.positions.append(input(Kind::AlphaNumeric, c == QLatin1Char('A'), caseMode));
            break;
        case 'C':
        case 'c':
            mask.positions.append(input(Kind::Any, c == QLatin1Char('C'), caseMode));
            break;
        case '0':
        case '9':
            mask.positions.append(input(Kind::Digit, c == QLatin1Char('0'), caseMode));
            break;
        case '#':
            mask.positions.append(input(Kind::DigitOrSign, false, caseMode));
            break;
        default:
            // ':' and '/' included: the separators are shown as written.
            mask.positions.append(literal(c));
            break;
        }
    }
    return mask;
}

QString Mask::toQtInputMask(const QString& classicMask)
{
    const EditMask mask = parse(classicMask);
    if (mask.positions.isEmpty())
        return QString();

    // Qt has no right alignment: '!' is dropped, and Qt's own '!' means "no case conversion".
    QString qt;
    CaseMode current = CaseMode::None;
    for (const Position& p : mask.positions) {
        if (!p.isInput()) {
            qt += qtLiteral(p.literal);
            continue;
        }
        if (p.caseMode != current) {
            current = p.caseMode;
            qt += current == CaseMode::Upper   ? QLatin1Char('>')
                  : current == CaseMode::Lower ? QLatin1Char('<')
                                               : QLatin1Char('!');
        }
        qt += qtInputChar(p);
    }
    return qt + QLatin1Char(';') + mask.blank;
}

QString Mask::textFromDisplay(const QString& classicMask, const QString& displayText)
{
    const EditMask mask = parse(classicMask);
    if (mask.positions.isEmpty())
        return displayText;

    QString text;
    bool anyInput = false;
    for (int i = 0; i < mask.positions.size(); ++i) {
        const Position& p = mask.positions[i];
        if (!p.isInput()) {
            if (mask.saveLiterals)
                text += p.literal;
            continue;
        }
        const QChar c = i < displayText.size() ? displayText[i] : mask.blank;
        if (c != mask.blank) {
            text += c;
            anyInput = true;
        }
    }
    return anyInput ? text : QString();
}

QString Mask::FormatMaskText(const QString& editMask, const QString& value)
{
    const EditMask mask = parse(editMask);
    if (mask.positions.isEmpty())
        return value;

    const QString chars = mask.saveLiterals ? withoutLiterals(mask, value) : value;
    const int inputs = mask.inputCount();
    // A short value leaves blanks at the end, or at the start when right-aligned.
    int next = mask.rightAligned ? std::min(0, int(chars.size()) - inputs) : 0;
    CaseMode lastCase = CaseMode::None;
    QString text;
    for (const Position& p : mask.positions) {
        if (!p.isInput()) {
            text += p.literal;
            continue;
        }
        text += next >= 0 && next < chars.size() ? applyCase(chars[next], p.caseMode) : mask.blank;
        lastCase = p.caseMode;
        ++next;
    }
    // Characters beyond the input positions are kept rather than lost.
    for (; next < chars.size(); ++next)
        text += applyCase(chars[next], lastCase);
    return text;
}
