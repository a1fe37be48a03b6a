#pragma once
// Scripted seams for the window tests: each records what the program showed or asked and answers
// from a queue set by the test. A question with no answer queued fails the test loudly. Also the
// ways the tests find and click a window's controls.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTest>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "ui/seams.h"

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vok::testing {

/// A child widget by object name; fails the test when there is none.
template <class W = QWidget>
W* find(const QWidget& root, const char* name) {
    W* widget = root.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget " << name;
    return widget;
}

inline void click(const QWidget& root, const char* name, Qt::MouseButton button = Qt::LeftButton) {
    if (auto* widget = find<QWidget>(root, name)) QTest::mouseClick(widget, button);
}

class FakeMessageBoxes : public ui::MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        bool yesNo;
        bool preferYes = true;  ///< a Yes/No box starting on Yes
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;  ///< for askYesNo: true = Yes

    void inform(QWidget*, const QString& title, const QString& text) override { shown.push_back({title, text, false}); }
    using ui::MessageBoxes::askYesNo;
    bool askYesNo(QWidget*, const QString& title, const QString& text, Preferred preferred) override {
        shown.push_back({title, text, true, preferred == Preferred::Yes});
        if (answers.empty())
            throw std::logic_error("a Yes/No box was shown with no answer queued: " + text.toStdString());
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeInputBoxes : public ui::InputBoxes {
public:
    struct Asked {
        QString prompt;
        QString defaultAnswer;
    };
    std::vector<Asked> asked;
    std::deque<std::optional<QString>> answers;  ///< nullopt = Cancel

    std::optional<QString> ask(QWidget*, const QString&, const QString& prompt, const QString& defaultAnswer) override {
        asked.push_back({prompt, defaultAnswer});
        if (answers.empty()) return defaultAnswer;  // OK on the default
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeFileDialogs : public ui::FileDialogs {
public:
    std::vector<ui::FileRequest> opened, saved;
    std::deque<std::optional<QString>> openAnswers, saveAnswers;  ///< nullopt = Cancel

    std::optional<QString> open(QWidget*, const ui::FileRequest& request) override {
        opened.push_back(request);
        return next(openAnswers, "open");
    }
    std::optional<QString> save(QWidget*, const ui::FileRequest& request) override {
        saved.push_back(request);
        return next(saveAnswers, "save");
    }
    std::deque<QStringList> openManyAnswers;  ///< empty = Cancel
    QStringList openMany(QWidget*, const ui::FileRequest& request) override {
        opened.push_back(request);
        if (openManyAnswers.empty()) throw std::logic_error("a multiple open dialog was shown with no answer queued");
        const QStringList answer = openManyAnswers.front();
        openManyAnswers.pop_front();
        return answer;
    }
    std::deque<std::optional<QString>> folderAnswers;
    std::optional<QString> folder(QWidget*, const QString&, const QString&) override {
        return next(folderAnswers, "folder");
    }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& answers, const char* which) {
        if (answers.empty())
            throw std::logic_error(std::string("a ") + which + " dialog was shown with no answer queued");
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeSettingsStore : public ui::SettingsStore {
public:
    std::map<QString, QString> values;  ///< "application/section/key" -> value

    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override {
        const auto it = values.find(application + '/' + section + '/' + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void write(const QString& application, const QString& section, const QString& key, const QString& value) override {
        values[application + '/' + section + '/' + key] = value;
    }
};

class FakeLauncher : public ui::Launcher {
public:
    struct Started {
        QString program;
        QStringList arguments;
        QString workingFolder;
    };
    std::vector<Started> started;
    std::vector<QString> urls;
    bool succeed = true;

    bool startProgram(const QString& program, const QStringList& arguments, const QString& workingFolder) override {
        started.push_back({program, arguments, workingFolder});
        return succeed;
    }
    bool openUrl(const QString& url) override {
        urls.push_back(url);
        return succeed;
    }
};

/// All fakes of a test, and the Seams that point at them.
struct FakeSeams {
    FakeMessageBoxes messages;
    FakeInputBoxes inputs;
    FakeFileDialogs files;
    FakeSettingsStore settings;
    FakeLauncher launcher;
    ui::Seams seams{messages, inputs, files, settings, launcher};
};

}  // namespace vok::testing
