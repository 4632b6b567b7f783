// Shared set-up of the binding tests: the real library from the build's
// program folder, settings and system folder in a temporary folder, and
// Windows-1252 in force.
#pragma once

#include "FakeServices.h"
#include "encrypt/CodePage.h"
#include "encrypt/basEncrypt.h"
#include "platform/AppInfo.h"
#include "platform/QtServices.h"
#include "platform/Services.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace zephral::test {

inline QByteArray fromHex(const char* hex) {
    return QByteArray::fromHex(QByteArray(hex));
}

inline QString bytesText(const QByteArray& bytes) {
    return CodePage::byNumber(1252).decode(bytes);
}

// The whole encryption of bytes, through the text path: every code page
// maps each byte to a character of its own and back.
inline QByteArray encryptBytes(const QByteArray& data, const QString& key) {
    return StringToBytes(EncryptString(BytesToString(data), key));
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = std::make_unique<QtSettingsStore>(m_dir.filePath(QStringLiteral("settings")));
        m_systemFolder = std::make_unique<QtSystemFolder>(m_dir.filePath(QStringLiteral("system")));
        Services s = services();
        s.settings = m_settings.get();
        s.systemFolder = m_systemFolder.get();
        m_services = std::make_unique<ScopedServices>(s);
        m_savedAppPath = gAppPath;
        gAppPath = QStringLiteral(ZEPHCORE_DIR "/");
        resetCipherBinding();
        setActiveCodePage(CodePage::byNumber(1252));
    }
    void TearDown() override {
        resetCipherBinding();
        resetActiveCodePage();
        gAppPath = m_savedAppPath;
        m_services.reset();
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<QtSettingsStore> m_settings;
    std::unique_ptr<QtSystemFolder> m_systemFolder;
    std::unique_ptr<ScopedServices> m_services;
    QString m_savedAppPath;
};

} // namespace zephral::test
