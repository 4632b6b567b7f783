// The wait window: "Please wait..." beside the working indicator, shown while
// a transform runs. It takes no input. Its controls come from its stored
// description (app/forms/frmWait.form).
#pragma once

#include <QFrame>
#include <memory>

class QLabel;

namespace zephral {

class FormControls;
class sknWorking;

class frmWait : public QFrame {
    Q_OBJECT

public:
    explicit frmWait(QWidget* owner);
    ~frmWait() override;

    const FormControls& controls() const { return *m_controls; }

    // Shows how far long work is, in a thin bar under "Please wait...".
    void showProgress(qint64 done, qint64 total);
    // Work over many files: "file N of M" under the bar.
    void showFile(int file, int files);

    sknWorking* sknWorking1 = nullptr;
    QLabel* Label1 = nullptr;
    // Hidden until the work has taken a while.
    QWidget* Progress1 = nullptr;
    // Hidden unless the work is over many files.
    QLabel* Label2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<FormControls> m_controls;
};

} // namespace zephral
