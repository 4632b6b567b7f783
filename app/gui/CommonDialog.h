// The main window's file dialog object: a title and a file name that stays
// from one dialog to the next, so the save dialog opens on the file just
// chosen and the next open dialog on the last file saved.
#pragma once

#include <QString>
#include <optional>

namespace zephral {

class CommonDialog {
public:
    void setDialogTitle(const QString& title) { m_title = title; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    // The chosen path, which also becomes the file name; nothing on Cancel,
    // when the file name stays as it was.
    std::optional<QString> showOpen();
    std::optional<QString> showSave();

private:
    std::optional<QString> remember(std::optional<QString> chosen);

    QString m_title;
    QString m_fileName;
};

} // namespace zephral
