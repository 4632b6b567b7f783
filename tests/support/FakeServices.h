// Fakes of the platform services, and a scope that puts them in force with the
// settings and the system folder in a temporary folder.
#pragma once

#include "platform/QtServices.h"
#include "platform/Services.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <optional>

namespace zephral::test {

struct ShownMessage {
    QString title;
    QString text;
    MessageIcon icon;
};

class FakeMessageBox : public MessageBox {
public:
    void show(const QString& title, const QString& text, MessageIcon icon) override {
        shown.append({title, text, icon});
    }
    // Each question is answered with the next queued answer, Cancel when none
    // is left.
    MessageAnswer ask(const QString& title, const QString& text, MessageIcon icon) override {
        asked.append({title, text, icon});
        if (answers.empty()) {
            return MessageAnswer::Cancel;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList texts() const {
        QStringList list;
        for (const ShownMessage& m : shown) {
            list.append(m.text);
        }
        return list;
    }
    QList<ShownMessage> shown;
    QList<ShownMessage> asked;
    std::deque<MessageAnswer> answers;
};

class FakeShell : public Shell {
public:
    void open(const QString& pathOrAddress) override { opened.append(pathOrAddress); }
    QStringList opened;
};

class FakeClock : public Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time = QDateTime(QDate(2026, 12, 6), QTime(18, 5, 9));
};

class FakeEnvironment : public Environment {
public:
    QString variable(const QString& name) const override { return variables.value(name); }
    QString systemUserName() const override { return userName; }
    QString systemHostName() const override { return hostName; }
    QHash<QString, QString> variables;
    QString userName = QStringLiteral("sysuser");
    QString hostName = QStringLiteral("syshost");
};

// Answers each dialog with the next queued answer (nothing = Cancel) and
// records what it was asked.
class FakeFileDialog : public FileDialog {
public:
    struct Request {
        bool save;
        QString title;
        QString fileName;
        bool folder = false;
    };
    std::optional<QString> openFile(const QString& title, const QString& fileName) override {
        return answer(false, title, fileName);
    }
    std::optional<QString> saveFile(const QString& title, const QString& fileName) override {
        return answer(true, title, fileName);
    }
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override {
        return answer(false, title, folder, true);
    }
    std::deque<std::optional<QString>> answers;
    QList<Request> requests;

private:
    std::optional<QString> answer(bool save, const QString& title, const QString& fileName,
                                  bool folder = false) {
        requests.append({save, title, fileName, folder});
        if (answers.empty()) {
            return std::nullopt;
        }
        const bool chosen = answers.front().has_value();
        const QString path = answers.front().value_or(QString());
        answers.pop_front();
        return chosen ? std::optional<QString>(path) : std::nullopt;
    }
};

// Loads nothing, as on a system without the cipher library; records what it
// was asked for.
class NoLibraries : public LibraryLoader {
public:
    std::unique_ptr<Library> load(const QString& nameOrPath) override {
        asked.append(nameOrPath);
        return nullptr;
    }
    QStringList asked;
};

// Every service a fake or a Qt one confined to a temporary folder: settings
// in <tmp>/config, the system folder <tmp>/system, the data folder <tmp>/data.
class TestServices {
public:
    TestServices()
        : settingsStore(dir.filePath(QStringLiteral("config"))),
          systemFolder(dir.filePath(QStringLiteral("system"))),
          dataFolder(dir.filePath(QStringLiteral("data"))) {
        Services s = services();
        s.settings = &settingsStore;
        s.systemFolder = &systemFolder;
        s.dataFolder = &dataFolder;
        s.files = &files;
        s.libraries = &libraries;
        s.messageBox = &messageBox;
        s.shell = &shell;
        s.environment = &environment;
        s.clock = &clock;
        s.fileDialog = &fileDialog;
        scope.emplace(s);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QtSettingsStore settingsStore;
    QtSystemFolder systemFolder;
    QtDataFolder dataFolder;
    QtFileSystem files;
    QtLibraryLoader libraries;
    FakeMessageBox messageBox;
    FakeShell shell;
    FakeEnvironment environment;
    FakeClock clock;
    FakeFileDialog fileDialog;
    std::optional<ScopedServices> scope;
};

} // namespace zephral::test
