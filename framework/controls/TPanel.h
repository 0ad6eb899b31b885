#pragma once

#include <QFrame>

// A raised panel that holds other controls.
class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr) : QFrame(parent)
    {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Raised);
    }
};
