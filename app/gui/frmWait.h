// The wait window: "Please wait..." beside the working picture, shown while a
// transform runs. It takes no input.
#pragma once

#include <QFrame>

class QLabel;

namespace zephral {

class frmWait : public QFrame {
    Q_OBJECT

public:
    explicit frmWait(QWidget* owner);

    QLabel* sknWorking1 = nullptr;
    QLabel* Label1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace zephral
