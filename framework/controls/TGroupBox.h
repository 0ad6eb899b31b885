#pragma once

#include "controls/WidgetsExport.h"

#include <QGroupBox>

// A captioned frame around related controls. Given the focus by code, it keeps it (a plain
// group box would hand it to its first control); users never tab or click into it.
class KLX_WIDGETS_EXPORT TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TGroupBox(QWidget* parent = nullptr) : QGroupBox(parent) {}

    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }

protected:
    void focusInEvent(QFocusEvent* event) override { QWidget::focusInEvent(event); }
};
