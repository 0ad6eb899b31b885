#include "controls/TButtonFlat.h"

#include "base/Dispatcher.h"
#include "base/Exceptions.h"

#include <QIcon>
#include <QStyle>

TButtonFlat::TButtonFlat(QWidget* parent) : QToolButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoRaise(true);
    connect(this, &QAbstractButton::clicked, this, [this] {
        Dispatcher::run([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

void TButtonFlat::SetGlyph(const QString& name)
{
    struct Glyph {
        const char* name;
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    static const Glyph glyphs[] = {
        {"search", "edit-find", QStyle::SP_FileDialogContentsView},
        {"print", "document-print", QStyle::SP_DialogYesButton},
        {"preview", "document-print-preview", QStyle::SP_FileDialogDetailedView},
        {"save", "document-save-as", QStyle::SP_DialogSaveButton},
        {"edit", "accessories-text-editor", QStyle::SP_FileDialogListView},
        {"filters", "bookmark-new", QStyle::SP_DirOpenIcon},
    };
    for (const Glyph& glyph : glyphs) {
        if (name == QLatin1String(glyph.name)) {
            setIcon(QIcon::fromTheme(QLatin1String(glyph.theme),
                                     style()->standardIcon(glyph.fallback)));
            return;
        }
    }
    throw EFormDescriptionError(QStringLiteral("Ícone desconhecido: '%1'.").arg(name));
}
