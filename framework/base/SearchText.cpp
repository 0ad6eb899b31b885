#include "base/SearchText.h"

QString SearchText::folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString plain;
    plain.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (!c.isMark())
            plain += c;
    return plain.toCaseFolded();
}
