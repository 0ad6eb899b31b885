#pragma once

#include <QGroupBox>

// A captioned frame around related controls.
class TGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TGroupBox(QWidget* parent = nullptr) : QGroupBox(parent) {}

    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};
