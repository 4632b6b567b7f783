// The Qt implementations of the services that need the window system.
#pragma once

#include "platform/Services.h"

#include <QFileIconProvider>

namespace zephral {

// QMessageBox with the given title, text and icon, modal over the active
// window: an OK button only, or Yes, No and Cancel (No the default, Escape
// Cancel).
class QtMessageBox : public MessageBox {
public:
    void show(const QString& title, const QString& text, MessageIcon icon) override;
    MessageAnswer ask(const QString& title, const QString& text, MessageIcon icon) override;
};

// QDesktopServices::openUrl on the target that shellTarget() gives.
class QtShell : public Shell {
public:
    void open(const QString& pathOrAddress) override;
};

// Icons and type names for the file dialogs from the kind of entry alone
// (drive, folder, file) and its name, never from its contents. Qt's own
// provider asks the MIME database, which reads a file whose name does not say
// what it is: a dialog opened on /proc blocked reading /proc/kmsg, and a FIFO
// would do the same.
class PlainFileIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// QFileDialog, modal over the active window, with the plain icons above. Qt's
// own dialog is used unless `native` is set, so that it behaves the same on
// every desktop (and tests can drive it).
class QtFileDialog : public FileDialog {
public:
    explicit QtFileDialog(bool native = false) : m_native(native) {}
    std::optional<QString> openFile(const QString& title, const QString& fileName) override;
    std::optional<QString> saveFile(const QString& title, const QString& fileName) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override;

private:
    std::optional<QString> run(bool save, const QString& title, const QString& fileName);
    bool m_native;
};

// Puts the message box, shell and file dialog above in force for the rest of
// the run. Call after the QApplication exists.
void installGuiServices();

} // namespace zephral
