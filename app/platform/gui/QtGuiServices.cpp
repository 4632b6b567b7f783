#include "platform/gui/QtGuiServices.h"

#include "platform/ShellTarget.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace zephral {

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void QtMessageBox::show(const QString& title, const QString& text, MessageIcon icon) {
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

MessageAnswer QtMessageBox::ask(const QString& title, const QString& text, MessageIcon icon) {
    QMessageBox box(toQt(icon), title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    // Replacing is never the default: Enter skips, Escape ends.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

void QtShell::open(const QString& pathOrAddress) {
    const QUrl target = shellTarget(pathOrAddress);
    if (target.isValid()) {
        QDesktopServices::openUrl(target);
    }
}

QIcon PlainFileIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) {
        return icon(Drive);
    }
    return icon(info.isDir() ? Folder : File);
}

QString PlainFileIconProvider::type(const QFileInfo& info) const {
    if (info.isRoot()) {
        return QStringLiteral("Drive");
    }
    if (info.isDir()) {
        return QStringLiteral("Folder");
    }
    const QString suffix = info.suffix();
    return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
}

std::optional<QString> QtFileDialog::openFile(const QString& title, const QString& fileName) {
    return run(false, title, fileName);
}

std::optional<QString> QtFileDialog::saveFile(const QString& title, const QString& fileName) {
    return run(true, title, fileName);
}

std::optional<QString> QtFileDialog::run(bool save, const QString& title, const QString& fileName) {
    PlainFileIconProvider icons;
    QFileDialog dialog(QApplication::activeWindow(), title);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    dialog.setIconProvider(&icons);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog takes existing files only; the save dialog asks before
    // it replaces one (QFileDialog's default).
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!fileName.isEmpty()) {
        const QFileInfo info(fileName);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileDialog::chooseFolder(const QString& title, const QString& folder) {
    PlainFileIconProvider icons;
    QFileDialog dialog(QApplication::activeWindow(), title, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog, !m_native);
    dialog.setIconProvider(&icons);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void installGuiServices() {
    static QtMessageBox messageBox;
    static QtShell shell;
    static QtFileDialog fileDialog;
    Services& current = services();
    current.messageBox = &messageBox;
    current.shell = &shell;
    current.fileDialog = &fileDialog;
}

} // namespace zephral
