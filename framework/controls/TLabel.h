#pragma once

#include "controls/WidgetsExport.h"

#include <QLabel>

// A static text. With AutoSize off it keeps the size its description gives.
class KLX_WIDGETS_EXPORT TLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize) { m_autoSize = autoSize; }

private:
    bool m_autoSize = true;
};
