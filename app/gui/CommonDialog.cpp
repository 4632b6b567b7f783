#include "gui/CommonDialog.h"

#include "platform/Services.h"

namespace zephral {

std::optional<QString> CommonDialog::showOpen() {
    return remember(services().fileDialog->openFile(m_title, m_fileName));
}

std::optional<QString> CommonDialog::showSave() {
    return remember(services().fileDialog->saveFile(m_title, m_fileName));
}

std::optional<QString> CommonDialog::remember(std::optional<QString> chosen) {
    if (chosen) {
        m_fileName = *chosen;
    }
    return chosen;
}

} // namespace zephral
