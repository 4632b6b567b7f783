// The six commands of the main window: two file commands and four text
// commands. Each asks for what the command needs (files, key), runs the
// command layer inside the wait-window sequence, which gives the main window
// back and unloads the wait window on every path out, and then reports a
// failure. A text command's work is short and runs on the user-interface
// thread; a file command's may take minutes, and runs on a thread of its own
// while the event loop turns.
#include "commands/Commands.h"
#include "gui/TextBox.h"
#include "gui/WaitWindow.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "startup/basMain.h"

#include <QCryptographicHash>
#include <QPlainTextEdit>
#include <QSet>
#include <new>

namespace zephral {

namespace {

// Asks for the key; false (and nothing more happens) when none was given.
bool askForKey(QWidget* owner) {
    showKeyDialog(owner);
    return !gKey.isEmpty();
}

// The text boxes of the Windows tool held a line break as CR LF, and its text
// commands transformed exactly that; a Qt text box holds LF. Text taken from
// the upper box therefore has each LF turned into CR LF, so the same lines
// give the same bytes on both systems.
QString textFromBox(const QString& boxText) {
    QString text;
    text.reserve(boxText.size() + boxText.count(QLatin1Char('\n')));
    for (const QChar c : boxText) {
        if (c == QLatin1Char('\n')) {
            text += QLatin1Char('\r');
        }
        text += c;
    }
    return text;
}

// A result shown in the lower box has its CR LF pairs turned into the box's
// LF; a lone LF is a line break already, and a lone CR stays as it is.
QString textForBox(QString result) {
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return result;
}

// Each warning after the work, in a message box of its own. The one about a
// weak key comes once a run for each key; the keys are remembered by their
// hash only.
void reportWarnings(const CommandResult& result, const QString& key) {
    static QSet<QByteArray> keysWarnedOf;
    for (const CommandWarning& warning : result.warnings) {
        if (warning.kind == CommandWarning::Kind::WeakKey) {
            const QByteArray hash = QCryptographicHash::hash(
                QByteArrayView(reinterpret_cast<const char*>(key.utf16()), key.size() * 2),
                QCryptographicHash::Sha256);
            if (keysWarnedOf.contains(hash)) {
                continue;
            }
            keysWarnedOf.insert(hash);
        }
        reportWarning(warning.text);
    }
}

// A file command from its first dialog, or with the source already chosen
// (a file dropped on the button), when only the destination is asked for.
void fileCommandClick(frmMain* form, Command command, const std::optional<QString>& dropped) {
    const bool encrypt = command == Command::EncryptFile;
    const QString procedure =
        encrypt ? QStringLiteral("cmdEncryptFile_click") : QStringLiteral("cmdDecryptFile_click");
    // Only memory can run out in the steps here; the command's own failures
    // come back as its result.
    try {
        std::optional<QString> source = dropped;
        if (source) {
            // The save dialog opens on the dropped file, as on one chosen.
            form->cdMain.setFileName(*source);
        } else {
            form->cdMain.setDialogTitle(encrypt ? QStringLiteral("Select file to encrypt...")
                                                : QStringLiteral("Select file to decrypt..."));
            source = form->cdMain.showOpen();
            if (!source) {
                return; // Cancel: no key asked, nothing touched, nothing said
            }
        }
        form->cdMain.setDialogTitle(QStringLiteral("Select file to save to..."));
        const std::optional<QString> destination = form->cdMain.showSave();
        if (!destination || !askForKey(form)) {
            return;
        }
        // Long work: off this thread, so that the windows are repainted and
        // the desktop never marks the program as not responding.
        const FilePath from = FilePath::fromText(*source);
        const FilePath to = FilePath::fromText(*destination);
        const QString key = gKey;
        const CommandResult result =
            runAsideWithWaitWindow<CommandResult>(form, [&](const FileProgress& progress) {
                return runFileCommand(command, from, to, key, PadCheck::Full, progress);
            });
        if (!result.ok) {
            ReportError(procedure, result);
        }
        reportWarnings(result, gKey);
    } catch (const std::bad_alloc&) {
        ReportError(procedure, CommandResult::outOfMemory());
    }
}

void textCommandClick(frmMain* form, Command command, const QString& procedure) {
    try {
        if (needsKey(command) && !askForKey(form)) {
            return; // the lower box keeps its text
        }
        const CommandResult result = runWithWaitWindow(form, [&] {
            QString output;
            CommandResult r = zephral::runTextCommand(command, textFromBox(exactText(form->txtOne)),
                                                      needsKey(command) ? gKey : QString(), output);
            // A failure (an over-long or wrong key, damaged text) is said in
            // a message box and leaves the lower box as it was.
            if (r.ok) {
                // Replaced, never appended to, also with an empty result.
                form->txtTwo->setPlainText(textForBox(std::move(output)));
            }
            return r;
        });
        if (!result.ok) {
            ReportError(procedure, result);
        }
        reportWarnings(result, gKey);
    } catch (const std::bad_alloc&) {
        ReportError(procedure, CommandResult::outOfMemory());
    }
}

} // namespace

void frmMain::cmdEncryptFile_Click() {
    fileCommand(Command::EncryptFile);
}

void frmMain::cmdDecryptFile_Click() {
    fileCommand(Command::DecryptFile);
}

void frmMain::fileCommand(Command command, const std::optional<QString>& source) {
    fileCommandClick(this, command, source);
}

void frmMain::cmdET_Click() {
    textCommandClick(this, Command::EncodeText, QStringLiteral("cmdET_click"));
}

void frmMain::cmdDT_Click() {
    textCommandClick(this, Command::DecodeText, QStringLiteral("cmdDT_click"));
}

void frmMain::cmdEET_Click() {
    textCommandClick(this, Command::EncryptEncodeText, QStringLiteral("cmdEET_click"));
}

void frmMain::cmdDDT_Click() {
    textCommandClick(this, Command::DecryptDecodeText, QStringLiteral("cmdDDT_click"));
}

} // namespace zephral
