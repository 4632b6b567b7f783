// The main window: eight command buttons, the maker's logo, a separator and
// the two text boxes, made from its stored description (app/forms/frmMain.form).
#pragma once

#include "commands/Commands.h"
#include "gui/CommonDialog.h"
#include "platform/ScopedValue.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QPlainTextEdit;

namespace zephral {

// The maker's web address, a bare host name; the shell opens it in the browser.
inline constexpr const char* kMakerAddress = "www.quorvan.example";

// Why the main window is being closed.
enum class UnloadMode {
    FormControlMenu, // the user, from the title bar's close button or window menu
    FormCode,        // the program itself
    AppWindows,      // the user logging off or the system shutting down
};

class FormControls;
class sknButton;
class sknFrame3D;
class sknLine3D;

class frmMain : public QWidget {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The close-request handler, given the reason for closing.
    void Form_QueryUnload(UnloadMode mode);

    // The window's controls as its description made them.
    const FormControls& controls() const { return *m_controls; }

    sknButton* cmdEncryptFile = nullptr;
    sknButton* cmdDecryptFile = nullptr;
    sknButton* cmdReadme = nullptr;
    sknButton* cmdWebsite = nullptr;
    sknFrame3D* fQuorvan = nullptr;
    sknLine3D* sknLine3D1 = nullptr;
    sknButton* cmdEET = nullptr;
    sknButton* cmdDDT = nullptr;
    sknButton* cmdET = nullptr;
    sknButton* cmdDT = nullptr;
    sknFrame3D* sknFrame3D1 = nullptr;
    QPlainTextEdit* txtOne = nullptr;
    sknFrame3D* sknFrame3D2 = nullptr;
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
    // Files dropped on "Encrypt File" and "Decrypt File".
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void buildControls();
    // A file command from its first dialog, or with the source given (a
    // file dropped on its button).
    void fileCommand(Command command, const std::optional<QString>& source = std::nullopt);
    // A file command over several files and folders dropped on its button.
    void manyFilesCommand(Command command, const QStringList& sources);
    // The files dropped on button, or a message why not.
    void fileDropped(sknButton* button, const QList<QUrl>& urls);

    std::unique_ptr<FormControls> m_controls;
    bool m_sessionEnding = false;
    bool m_focusSet = false;
};

// Unloads the main window and ends the program at once.
void EndProgram(frmMain* form);

// For tests: what ends the program once the main window is gone, while one
// lives (QCoreApplication::exit(0) otherwise).
class ScopedProgramEnd : public ScopedValue<std::function<void()>> {
public:
    explicit ScopedProgramEnd(std::function<void()> end);
};

} // namespace zephral
