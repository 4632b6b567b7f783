// The six commands of the main window: two file commands and four text
// commands. Each asks for what the command needs (files, key), runs the
// command layer inside the wait-window sequence, which gives the main window
// back and unloads the wait window on every path out, and then reports a
// failure. A text command's work is short and runs on the user-interface
// thread; a file command's may take minutes, and runs on a thread of its own
// while the event loop turns.
#include "commands/Commands.h"
#include "commands/FileBatch.h"
#include "gui/TextBox.h"
#include "gui/WaitWindow.h"
#include "gui/frmKey.h"
#include "gui/frmMain.h"
#include "platform/AppInfo.h"
#include "platform/Services.h"
#include "startup/basMain.h"
#include "tools/basTools.h"

#include <QCryptographicHash>
#include <QFileInfo>
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
void reportWarnings(const QList<CommandWarning>& warnings, const QString& key) {
    static QSet<QByteArray> keysWarnedOf;
    for (const CommandWarning& warning : warnings) {
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
        reportWarnings(result.warnings, gKey);
    } catch (const std::bad_alloc&) {
        ReportError(procedure, CommandResult::outOfMemory());
    }
}

// A message lists this many names, then says how many more there are.
constexpr qsizetype kNamesListed = 20;

QString listed(const QStringList& lines) {
    QStringList shown = lines.mid(0, kNamesListed);
    if (lines.size() > kNamesListed) {
        shown.append(QStringLiteral("and %1 more").arg(lines.size() - kNamesListed));
    }
    return shown.join(QLatin1Char('\n'));
}

// A name under `folder` as the part below it; any other in full.
QString nameUnder(const FilePath& path, const QString& folder) {
    const QString text = path.toDisplayText();
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

// Results that exist already in `folder`: Yes replaces them, No skips their
// files, Cancel (nothing) ends the command.
std::optional<bool> askToReplace(const QList<BatchFile>& existing, const QString& folder) {
    QStringList names;
    for (const BatchFile& f : existing) {
        names.append(nameUnder(f.destination, folder));
    }
    const QString text =
        (existing.size() == 1 ? QStringLiteral("This result exists already in %1:").arg(folder)
                              : QStringLiteral("These %1 results exist already in %2:")
                                    .arg(names.size())
                                    .arg(folder)) +
        QStringLiteral("\n\n") + listed(names) +
        QStringLiteral("\n\nReplace them? No leaves them and skips their files.");
    switch (services().messageBox->ask(QLatin1String(kAppTitle), text, MessageIcon::Warning)) {
    case MessageAnswer::Yes:
        return true;
    case MessageAnswer::No:
        return false;
    case MessageAnswer::Cancel:
        break;
    }
    return std::nullopt;
}

// How many files were done, and which were not and why, failures first;
// names in `folder`, where the files came from, by their part below it.
QString batchEndText(const BatchSummary& summary, const QString& folder) {
    QStringList lines;
    for (const QList<BatchNote>* notes : {&summary.failed, &summary.skipped}) {
        for (const BatchNote& note : *notes) {
            lines.append(note.path.isEmpty() ? note.reason
                                             : QStringLiteral("%1: %2").arg(
                                                   nameUnder(note.path, folder), note.reason));
        }
    }
    const qsizetype files =
        summary.done + summary.failed.size() + summary.skipped.size() + summary.notStarted;
    QString text = QStringLiteral("Files done: %1 of %2.").arg(summary.done).arg(files);
    if (!lines.isEmpty()) {
        text += QStringLiteral("\n\nSkipped or failed:\n") + listed(lines);
    }
    if (summary.notStarted > 0) {
        text += QStringLiteral("\n\nNot started, left as they were: %1.").arg(summary.notStarted);
    }
    return text;
}

// A file command over files and folders dropped together: the key once, the
// folder the results go to, the question about results that exist, the work
// aside with the wait window, and one message at the end when anything was
// not done.
void manyFilesCommandClick(frmMain* form, Command command, const QStringList& sources) {
    const bool encrypt = command == Command::EncryptFile;
    const QString procedure =
        encrypt ? QStringLiteral("cmdEncryptFile_click") : QStringLiteral("cmdDecryptFile_click");
    try {
        if (!askForKey(form)) {
            return;
        }
        const QString key = gKey;
        // A key the command refuses is said before anything else is asked.
        if (const CommandResult checked = checkBatchKey(command, key); !checked.ok) {
            ReportError(procedure, checked);
            return;
        }
        // The files' own folder puts each result beside its source; another
        // folder takes them as `cp -r -t` would.
        const QString from = QFileInfo(sources[0]).absolutePath();
        const std::optional<QString> folder = services().fileDialog->chooseFolder(
            QStringLiteral("Select folder to save to..."), from);
        if (!folder) {
            return;
        }
        BatchOptions options;
        options.command = command;
        options.recursive = true;
        options.targetFolder = FilePath::fromText(*folder);
        options.noSuffixReason =
            QStringLiteral("no .enc suffix: decrypt it on its own to choose its name");
        QList<FilePath> paths;
        for (const QString& source : sources) {
            paths.append(FilePath::fromText(source));
        }
        BatchPlan plan = planBatch(options, paths);
        if (!plan.existing.isEmpty()) {
            const std::optional<bool> replace = askToReplace(plan.existing, *folder);
            if (!replace) {
                return;
            }
            if (*replace) {
                options.force = true;
                plan = planBatch(options, paths);
            }
        }
        BatchSummary summary;
        {
            WaitWindowSession session(form);
            session.runAsideOverFiles([&](const WaitWindowSession::FilesProgress& progress) {
                summary = runBatch(options, plan, key, [&](const BatchProgress& p) {
                    // Files of no bytes at all go by their count.
                    const bool byFiles = p.bytes <= 0;
                    progress(std::min(p.filesDone + 1, p.files), p.files,
                             byFiles ? p.filesDone : p.bytesDone, byFiles ? p.files : p.bytes);
                });
            });
        }
        if (summary.keyRefused) {
            ReportError(procedure, summary.failures.value(0, CommandResult::outOfMemory()));
            return;
        }
        const auto log = [&](const QString& number, const QString& description,
                             const FilePath& path) {
            LogError(false, number,
                     path.isEmpty() ? description
                                    : QStringLiteral("%1 (%2)").arg(description, path.toText()),
                     QStringLiteral("frmMain"), procedure);
        };
        for (const BatchNote& note : plan.failed) {
            log(QString::number(note.number), note.reason, note.path);
        }
        for (const CommandResult& failure : summary.failures) {
            log(QString::number(failure.number), failure.description, failure.path);
        }
        if (!summary.allDone()) {
            services().messageBox->show(QLatin1String(kAppTitle), batchEndText(summary, from),
                                        MessageIcon::Warning);
        }
        // The key's warning as for one file; the files' own in one message.
        QList<CommandWarning> keyWarnings;
        QStringList fileWarnings;
        for (const CommandWarning& warning : summary.warnings) {
            if (warning.kind == CommandWarning::Kind::WeakKey) {
                keyWarnings.append(warning);
            } else {
                fileWarnings.append(warning.text);
            }
        }
        reportWarnings(keyWarnings, key);
        if (!fileWarnings.isEmpty()) {
            reportWarning(listed(fileWarnings));
        }
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
        reportWarnings(result.warnings, gKey);
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

void frmMain::manyFilesCommand(Command command, const QStringList& sources) {
    manyFilesCommandClick(this, command, sources);
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
