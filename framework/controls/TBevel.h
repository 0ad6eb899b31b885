#pragma once

#include <QFrame>

// A sunken separator line.
class TBevel : public QFrame {
    Q_OBJECT
public:
    explicit TBevel(QWidget* parent = nullptr) : QFrame(parent)
    {
        setFrameShape(QFrame::HLine);
        setFrameShadow(QFrame::Sunken);
    }
};
