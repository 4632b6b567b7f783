// The per-user settings store: values addressed by application, section and
// key, kept in a file a user can read and edit.
#include "platform/QtServices.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zephral;

namespace {

QByteArray fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SettingsStore, SectionsRoundTripAndAbsentKeysGiveTheDefault) {
    QTemporaryDir dir;
    QtSettingsStore store(dir.path());
    const QString app = QStringLiteral("Zephral");
    EXPECT_EQ(store.getSetting(app, QStringLiteral("General"), QStringLiteral("SelfInstall"),
                               QStringLiteral("false")),
              QStringLiteral("false"));
    store.saveSetting(app, QStringLiteral("General"), QStringLiteral("SelfInstall"),
                      QStringLiteral("true"));
    store.saveSetting(app, QStringLiteral("Other"), QStringLiteral("SelfInstall"),
                      QStringLiteral("other"));
    // A fresh store reads what the last one wrote; sections don't mix.
    QtSettingsStore again(dir.path());
    EXPECT_EQ(again.getSetting(app, QStringLiteral("General"), QStringLiteral("SelfInstall"),
                               QStringLiteral("false")),
              QStringLiteral("true"));
    EXPECT_EQ(again.getSetting(app, QStringLiteral("Other"), QStringLiteral("SelfInstall"), {}),
              QStringLiteral("other"));
    EXPECT_EQ(again.getSetting(QStringLiteral("Elsewhere"), QStringLiteral("General"),
                               QStringLiteral("SelfInstall"), QStringLiteral("absent")),
              QStringLiteral("absent"));
}

TEST(SettingsStore, GeneralIsAPlainSectionOfTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Zephral.ini"));
    QtSettingsStore store(dir.path());
    store.saveSetting(QStringLiteral("Zephral"), QStringLiteral("General"),
                      QStringLiteral("SelfInstall"), QStringLiteral("true"));
    EXPECT_EQ(fileText(file), QByteArray("[General]\nSelfInstall=true\n"));

    // And a section typed by hand is read.
    QFile edited(file);
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly | QIODevice::Truncate));
    edited.write("[General]\nCodePage=28591\n");
    edited.close();
    EXPECT_EQ(QtSettingsStore(dir.path())
                  .getSetting(QStringLiteral("Zephral"), QStringLiteral("General"),
                              QStringLiteral("CodePage"), {}),
              QStringLiteral("28591"));
}

} // namespace
