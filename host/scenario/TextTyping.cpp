#include "scenario/TextTyping.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <QWidget>

void TextTyping::type(QWidget* widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size();) {
        // One character: a surrogate pair stays whole.
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length;
        const char16_t unit = character.at(0).unicode();
        if (unit >= 0x20 && unit < 0x7f) {
            QTest::keyClick(widget, char(unit));
            continue;
        }
        // QTest knows keys for ASCII only; an input method's commit is how other
        // characters reach a widget.
        QInputMethodEvent commit;
        commit.setCommitString(character);
        QCoreApplication::sendEvent(widget, &commit);
    }
}
