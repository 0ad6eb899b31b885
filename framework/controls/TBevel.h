#pragma once

#include "controls/WidgetsExport.h"

#include <QFrame>

// A sunken separator line.
class KLX_WIDGETS_EXPORT TBevel : public QFrame {
    Q_OBJECT
public:
    explicit TBevel(QWidget* parent = nullptr) : QFrame(parent)
    {
        setFrameShape(QFrame::HLine);
        setFrameShadow(QFrame::Sunken);
    }
};
