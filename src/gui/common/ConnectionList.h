#pragma once
// A drop-down list that tells when it is about to open, so its owner can
// refill it first.

#include <QComboBox>

namespace kaspen::ui {

class ConnectionList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override
    {
        emit aboutToOpen();
        QComboBox::showPopup();
    }

signals:
    void aboutToOpen();
};

} // namespace kaspen::ui
