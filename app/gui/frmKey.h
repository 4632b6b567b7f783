// The key dialog: asks for the key once per command and leaves it in gKey.
// Its controls come from its stored description (app/forms/frmKey.form).
#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;

namespace zephral {

class FormControls;
class ToolWindowFrame;
class sknButton;
class sknFrame3D;

// The key last typed in the key dialog; empty after Cancel. Only the key
// dialog writes it; the four key-using commands read it.
extern QString gKey;

class frmKey : public QDialog {
    Q_OBJECT

public:
    explicit frmKey(QWidget* owner);
    ~frmKey() override;

    const FormControls& controls() const { return *m_controls; }

    // The drawn title bar and edge; the controls lie in its client area.
    ToolWindowFrame* toolFrame = nullptr;
    sknFrame3D* sknFrame3D1 = nullptr;
    QLineEdit* txtKey = nullptr;
    sknButton* cmdOK = nullptr;
    sknButton* cmdCancel = nullptr;

public Q_SLOTS:
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void unload();
    std::unique_ptr<FormControls> m_controls;
    bool m_unloading = false;
};

// Shows a fresh key dialog modal over owner and returns when it has closed;
// gKey then holds the key typed, or empty text after Cancel.
void showKeyDialog(QWidget* owner);

} // namespace zephral
