#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QToolButton>

// A flat speed button: it never takes the keyboard focus, so pressing it leaves the
// focused control where it is.
class KLX_WIDGETS_EXPORT TButtonFlat : public QToolButton {
    Q_OBJECT
public:
    explicit TButtonFlat(QWidget* parent = nullptr);

    QString Hint() const { return toolTip(); }
    void SetHint(const QString& hint) { setToolTip(hint); }
    void SetFlat(bool flat) { setAutoRaise(flat); }
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count) { m_numGlyphs = count; }
    // Names a glyph: "search", "print", "preview", "save", "edit", "filters".
    void SetGlyph(const QString& name);

    TNotifyEvent OnClick;

private:
    int m_numGlyphs = 1;
};
