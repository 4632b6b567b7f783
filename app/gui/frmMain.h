// The main window: eight command buttons, the maker's logo, a separator and
// the two text boxes.
#pragma once

#include "gui/CommonDialog.h"

#include <QWidget>
#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zephral {

// The maker's web address, a bare host name; the shell opens it in the browser.
inline constexpr const char* kMakerAddress = "www.quorvan.example";

// Why the main window is being closed.
enum class UnloadMode {
    FormControlMenu, // the user, from the title bar's close button or window menu
    FormCode,        // the program itself
    AppWindows,      // the user logging off or the system shutting down
};

// A picture that can be clicked: the stand-in for the logo frame.
class ClickablePicture;

class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // What ends the program once the window is gone; QCoreApplication::exit(0)
    // unless a test puts something else in its place.
    static void setProgramEnd(std::function<void()> end);

    // The close-request handler, given the reason for closing.
    void Form_QueryUnload(UnloadMode mode);

    QPushButton* cmdEncryptFile = nullptr;
    QPushButton* cmdDecryptFile = nullptr;
    QPushButton* cmdReadme = nullptr;
    QPushButton* cmdWebsite = nullptr;
    ClickablePicture* fQuorvan = nullptr;
    QFrame* sknLine3D1 = nullptr;
    QPushButton* cmdEET = nullptr;
    QPushButton* cmdDDT = nullptr;
    QPushButton* cmdET = nullptr;
    QPushButton* cmdDT = nullptr;
    QFrame* sknFrame3D1 = nullptr;
    QPlainTextEdit* txtOne = nullptr;
    QFrame* sknFrame3D2 = nullptr;
    QPlainTextEdit* txtTwo = nullptr;
    // The file dialog of the file commands; it keeps its file name between them.
    CommonDialog cdMain;

public Q_SLOTS:
    void cmdEncryptFile_Click();
    void cmdDecryptFile_Click();
    void cmdEET_Click();
    void cmdDDT_Click();
    void cmdET_Click();
    void cmdDT_Click();
    void cmdReadme_Click();
    void cmdWebsite_Click();
    void fQuorvan_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void buildControls();

    bool m_sessionEnding = false;
    bool m_focusSet = false;
};

// Unloads the main window and ends the program at once.
void EndProgram(frmMain* form);

} // namespace zephral
