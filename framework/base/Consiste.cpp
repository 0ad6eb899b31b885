#include "base/Consiste.h"

#include "base/Exceptions.h"

namespace {
Consiste::MessagePresenter& presenter()
{
    static Consiste::MessagePresenter instance;
    return instance;
}
} // namespace

void Consiste::SetPresenter(MessagePresenter p)
{
    presenter() = std::move(p);
}

void Consiste::ShowError(const QString& text)
{
    if (presenter())
        presenter()(text);
    else
        qWarning("%s", qUtf8Printable(text));
}

void Consiste::MensErro(const QString& text, bool abort)
{
    ShowError(text);
    if (abort)
        throw EAbort();
}

bool Consiste::EmptyString(const QString& text)
{
    return text.trimmed().isEmpty();
}

QString Consiste::Ajusta(const QString& text, int width)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QString();
    return trimmed.rightJustified(width, QLatin1Char('0'));
}
