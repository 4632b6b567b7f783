// The Qt message box and file dialogs, answered from timers.
#include "platform/gui/QtGuiServices.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace zephral;

namespace {

// Calls answer with the modal window once one is up.
void whenModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        answer(QApplication::activeModalWidget());
    });
}

} // namespace

class tst_guiservices : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageBoxHasTitleTextIconAndOkOnly() {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        QtMessageBox().show(QStringLiteral("Quorvan Zephral - ERROR"),
                            QStringLiteral("Error occured: 1\r\nFunction: <b>x</b>"),
                            MessageIcon::Critical);
        QCOMPARE(title, QStringLiteral("Quorvan Zephral - ERROR"));
        QCOMPARE(text, QStringLiteral("Error occured: 1\r\nFunction: <b>x</b>"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void questionHasYesNoCancel_data() {
        QTest::addColumn<int>("press"); // a button, or 0 for the Escape key
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes) << int(MessageAnswer::Yes);
        QTest::newRow("no") << int(QMessageBox::No) << int(MessageAnswer::No);
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << int(MessageAnswer::Cancel);
        QTest::newRow("escape") << 0 << int(MessageAnswer::Cancel);
    }
    void questionHasYesNoCancel() {
        QFETCH(int, press);
        QFETCH(int, answer);
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton byDefault = QMessageBox::NoButton;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            buttons = box->standardButtons();
            byDefault = box->standardButton(box->defaultButton());
            if (press == 0) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(QMessageBox::StandardButton(press))->click();
            }
        });
        QCOMPARE(int(QtMessageBox().ask(QStringLiteral("t"), QStringLiteral("Replace?"),
                                        MessageIcon::Warning)),
                 answer);
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(byDefault, QMessageBox::No); // Enter never replaces
    }

    void folderDialogOpensOnTheFolderAndTakesFolders() {
        QTemporaryDir dir;
        QString title;
        QString opened;
        bool foldersOnly = false;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            opened = dialog->directory().absolutePath();
            foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                          dynamic_cast<PlainFileIconProvider*>(dialog->iconProvider()) != nullptr;
            static_cast<QDialog*>(dialog)->accept();
        });
        const auto chosen =
            QtFileDialog().chooseFolder(QStringLiteral("Select folder to save to..."), dir.path());
        QCOMPARE(title, QStringLiteral("Select folder to save to..."));
        QCOMPARE(opened, QDir(dir.path()).absolutePath());
        QVERIFY(foldersOnly);
        QCOMPARE(chosen, std::optional<QString>(QDir(dir.path()).absolutePath()));
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        QCOMPARE(QtFileDialog().chooseFolder(QStringLiteral("t"), dir.path()),
                 std::optional<QString>());
    }

    void openDialogReturnsTheChosenFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("source.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QString title;
        bool plainIcons = false;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            title = dialog->windowTitle();
            plainIcons = dynamic_cast<PlainFileIconProvider*>(dialog->iconProvider()) != nullptr &&
                         dialog->testOption(QFileDialog::DontUseCustomDirectoryIcons);
            static_cast<QDialog*>(dialog)->accept();
        });
        const auto chosen =
            QtFileDialog().openFile(QStringLiteral("Select file to encrypt..."), path);
        QCOMPARE(title, QStringLiteral("Select file to encrypt..."));
        QCOMPARE(chosen, std::optional<QString>(path));
        QVERIFY(plainIcons);
    }

    // The dialogs' icons and types come from names alone: a picture without
    // a suffix is a plain file to them, which it could only be told apart
    // from by reading it.
    void fileIconsNeverLookInsideAFile() {
        QTemporaryDir dir;
        const QString picture = dir.filePath(QStringLiteral("picture"));
        const QString text = dir.filePath(QStringLiteral("notes.txt"));
        for (const QString& path : {picture, text}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
        }
        const PlainFileIconProvider icons;
        QCOMPARE(icons.type(QFileInfo(picture)), QStringLiteral("File"));
        QCOMPARE(icons.type(QFileInfo(text)), QStringLiteral("TXT File"));
        QCOMPARE(icons.type(QFileInfo(dir.path())), QStringLiteral("Folder"));
        QCOMPARE(icons.icon(QFileInfo(picture)).cacheKey(),
                 icons.icon(QAbstractFileIconProvider::File).cacheKey());
    }

    void cancelIsReportedAsNothing() {
        QTemporaryDir dir;
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        QCOMPARE(QtFileDialog().openFile(QStringLiteral("t"), dir.filePath(QStringLiteral("x"))),
                 std::optional<QString>());
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        QCOMPARE(QtFileDialog().saveFile(QStringLiteral("t"), dir.filePath(QStringLiteral("x"))),
                 std::optional<QString>());
    }

    void saveDialogAsksBeforeReplacing_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void saveDialogAsksBeforeReplacing() {
        QFETCH(bool, replace);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("existing.enc"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        bool asked = false;
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            // The question comes up over the dialog; answer it, then leave.
            QTimer::singleShot(0, [&, dialog] {
                QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = true;
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                if (!replace) {
                    QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
                }
            });
            static_cast<QDialog*>(dialog)->accept();
        });
        const auto chosen =
            QtFileDialog().saveFile(QStringLiteral("Select file to save to..."), path);
        QVERIFY(asked);
        QCOMPARE(chosen, replace ? std::optional<QString>(path) : std::optional<QString>());
    }
};

QTEST_MAIN(tst_guiservices)
#include "tst_guiservices.moc"
