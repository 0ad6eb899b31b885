#include "ChequeCriteriaEntries.h"

#include "ChequeAskedCriteria.h"
#include "ChequeCriteria.h"
#include "Cli_klx47306.h"
#include "base/Exceptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace {

void tell(ScreenCriteriaNote note, void* context, const QString& criterion, const QString& text)
{
    if (note)
        note(context, criterion.isEmpty() ? nullptr : criterion.toUtf8().constData(),
             text.toUtf8().constData());
}

// Runs an entry's body; nothing it raises crosses into the host: it is told and refuses.
template <class Body> int guarded(ScreenCriteriaNote note, void* context, Body body) noexcept
{
    try {
        return body();
    } catch (const Exception& e) {
        tell(note, context, QString(), e.Message());
    } catch (const std::exception& e) {
        tell(note, context, QString(), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        tell(note, context, QString(), QStringLiteral("Erro desconhecido."));
    }
    return ScreenCriteriaRefused;
}

// The asked criteria read into the screen's; nullopt, told, when one is malformed.
std::optional<QVariantMap> readAsked(const char* criteria, ScreenCriteriaNote note, void* context)
{
    const QJsonObject asked = QJsonDocument::fromJson(QByteArray(criteria)).object();
    try {
        return ChequeAskedCriteria::read(asked);
    } catch (const ChequeAskedCriteria::Malformed& malformed) {
        tell(note, context, malformed.criterion, malformed.reason);
        return std::nullopt;
    }
}

// The open form; told when there is none.
TfrmCheque* openForm(ScreenCriteriaNote note, void* context)
{
    if (!frmCheque)
        tell(note, context, QString(), QStringLiteral("a tela não está aberta"));
    return frmCheque;
}

} // namespace

int ChequeCriteriaEntries::check(const char* criteria, ScreenCriteriaNote note, void* context)
{
    return guarded(note, context, [&] {
        return readAsked(criteria, note, context) ? ScreenCriteriaApplied : ScreenCriteriaMalformed;
    });
}

int ChequeCriteriaEntries::apply(const char* criteria, ScreenCriteriaNote note, void* context)
{
    return guarded(note, context, [&] {
        const std::optional<QVariantMap> values = readAsked(criteria, note, context);
        if (!values)
            return ScreenCriteriaMalformed;
        TfrmCheque* form = openForm(note, context);
        if (!form)
            return ScreenCriteriaRefused;
        std::optional<ChequeCriteria::Refusal> refusal;
        if (form->applyCriteria(*values, ChequeCriteria::Mode::Asked, &refusal))
            return ScreenCriteriaApplied;
        if (refusal)
            tell(note, context, refusal->criterion, refusal->reason);
        return ScreenCriteriaRefused;
    });
}

int ChequeCriteriaEntries::loadSet(const char* name, ScreenCriteriaNote note, void* context)
{
    return guarded(note, context, [&] {
        TfrmCheque* form = openForm(note, context);
        return form && form->loadCriteriaSet(QString::fromUtf8(name)) ? ScreenCriteriaApplied
                                                                      : ScreenCriteriaRefused;
    });
}
