// The six commands of the main window: two file commands and four text
// commands. Each runs on the user-interface thread from the click to its end;
// the work itself runs inside the wait-window sequence, which gives the main
// window back and unloads the wait window on every path out.
#include "core/AppInfo.h"
#include "core/FileCommand.h"
#include "core/TextCommands.h"
#include "core/basMain.h"
#include "gui/WaitWindow.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"

#include <QPlainTextEdit>

using namespace zephral;

namespace {

// Asks for the key; false (and nothing more happens) when none was given.
bool askForKey(QWidget* owner) {
    ShowKeyDialog(owner);
    return !gKey.isEmpty();
}

void reportResult(const QString& procedure, const CommandResult& result) {
    QString description = result.description;
    if (!result.path.isEmpty()) {
        description += QStringLiteral(" (%1)").arg(result.path);
    }
    ReportError(procedure, result.number, description);
}

void runFileCommand(frmMain* form, FileTransform transform) {
    const bool encrypt = transform == FileTransform::Encrypt;
    const QString procedure =
        encrypt ? QStringLiteral("cmdEncryptFile_click") : QStringLiteral("cmdDecryptFile_click");
    try {
        form->cdMain.setDialogTitle(encrypt ? QStringLiteral("Select file to encrypt...")
                                            : QStringLiteral("Select file to decrypt..."));
        const std::optional<QString> source = form->cdMain.ShowOpen();
        if (!source) {
            return; // Cancel: no key asked, nothing touched, nothing said
        }
        form->cdMain.setDialogTitle(QStringLiteral("Select file to save to..."));
        const std::optional<QString> destination = form->cdMain.ShowSave();
        if (!destination) {
            return;
        }
        if (!askForKey(form)) {
            return;
        }
        const CommandResult result = runWithWaitWindow(
            form, [&] { return transformFile(transform, *source, *destination, gKey); });
        if (!result.ok) {
            reportResult(procedure, result);
        }
    } catch (...) {
        ReportError(procedure);
    }
}

void runTextCommandOn(frmMain* form, TextCommand command, const QString& procedure) {
    try {
        if (needsKey(command) && !askForKey(form)) {
            return; // the lower box keeps its text
        }
        runWithWaitWindow(form, [&] {
            const QString key = needsKey(command) ? gKey : QString();
            // Replaced, never appended to, also with an empty result.
            form->txtTwo->setPlainText(runTextCommand(command, form->txtOne->toPlainText(), key));
        });
    } catch (...) {
        ReportError(procedure);
    }
}

} // namespace

void frmMain::cmdEncryptFile_Click() {
    runFileCommand(this, FileTransform::Encrypt);
}

void frmMain::cmdDecryptFile_Click() {
    runFileCommand(this, FileTransform::Decrypt);
}

void frmMain::cmdET_Click() {
    runTextCommandOn(this, TextCommand::Encode, QStringLiteral("cmdET_click"));
}

void frmMain::cmdDT_Click() {
    runTextCommandOn(this, TextCommand::Decode, QStringLiteral("cmdDT_click"));
}

void frmMain::cmdEET_Click() {
    runTextCommandOn(this, TextCommand::EncryptEncode, QStringLiteral("cmdEET_click"));
}

void frmMain::cmdDDT_Click() {
    runTextCommandOn(this, TextCommand::DecryptDecode, QStringLiteral("cmdDDT_click"));
}
