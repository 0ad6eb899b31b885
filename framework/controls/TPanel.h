#pragma once

#include "controls/WidgetsExport.h"

#include <QFrame>

// A raised panel that holds other controls.
class KLX_WIDGETS_EXPORT TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr) : QFrame(parent)
    {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Raised);
    }
};
