#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QComboBox>

// A combo box. Its change event follows the user's choice; setting the index from code
// raises nothing.
class KLX_WIDGETS_EXPORT TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);

    int GetItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) { setCurrentIndex(index); }
    // What a user's choice of an item does: select it and raise OnChange.
    void SelectByUser(int index);
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height) { m_itemHeight = height; }

    TNotifyEvent OnChange;

private:
    void raiseChange();
    int m_itemHeight = 13;
};
