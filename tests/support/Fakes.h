// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scripted stand-ins for the window's dialogs and clock, so tests drive the window headless
// with known answers and reproducible times.

#include "app/Seams.h"

#include <QCoreApplication>
#include <QStringList>

#include <memory>

namespace kurvomat::testing {

class ScriptedDialogs final : public Dialogs {
public:
    // kind: "message", "warning", "input", "confirm", "save" (text: the filters).
    struct Shown {
        QString kind, text, title, defaultText;
    };

    // Answers handed out in order; an input without a scripted answer is cancelled (""),
    // a question without one is answered No, a file dialog without one is cancelled.
    QStringList inputAnswers;
    QList<bool> confirmAnswers;
    QStringList saveAnswers;
    QList<Shown> shown;
    // Runs while a message box would be open (to test what happens meanwhile).
    std::function<void()> whileMessageOpen;

    void message(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("message"), text, title, {}});
        if (whileMessageOpen)
            whileMessageOpen();
    }
    void warning(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("warning"), text, title, {}});
    }
    QString input(QWidget *, const QString &prompt, const QString &title,
                  const QString &defaultText) override
    {
        shown.append({QStringLiteral("input"), prompt, title, defaultText});
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
    // Scripted like the plain input box.
    QString choosePort(QWidget *parent, const QString &prompt, const QString &title,
                       const QString &defaultText, const QList<SerialPortEntry> &) override
    {
        return input(parent, prompt, title, defaultText);
    }
    bool confirm(QWidget *, const QString &text, const QString &title) override
    {
        shown.append({QStringLiteral("confirm"), text, title, {}});
        return !confirmAnswers.isEmpty() && confirmAnswers.takeFirst();
    }
    QString saveFile(QWidget *, const QString &title, const QString &suggested,
                     const QString &filters) override
    {
        shown.append({QStringLiteral("save"), filters, title, suggested});
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }

    [[nodiscard]] QStringList texts(const QString &kind) const
    {
        QStringList out;
        for (const Shown &s : shown)
            if (s.kind == kind)
                out << s.text;
        return out;
    }
};

// Always 5 December 2005, 14:03:27.41.
class FixedClock final : public Clock {
public:
    QDate currentDate() const override { return {2005, 12, 5}; }
    QTime currentTime() const override { return {14, 3, 27, 410}; }
    double secondsSinceMidnight() const override { return 14 * 3600 + 3 * 60 + 27.41; }
};

// An environment for a window under test: scripted dialogs, fixed clock, the given data
// folder, no running timers, and no serial device unless the resolver maps one.
inline Environment testEnvironment(const QString &dataFolder,
                                   std::shared_ptr<ScriptedDialogs> dialogs)
{
    Environment env;
    env.dialogs = std::move(dialogs);
    env.clock = std::make_shared<FixedClock>();
    env.dataFolder = dataFolder;
    env.letEventsRun = [] { QCoreApplication::processEvents(); };
    env.serialDevice = [](int port) {
        return QStringLiteral("/nonexistent/kurvomat-test-port-%1").arg(port);
    };
    env.runTimers = false;
    return env;
}

} // namespace kurvomat::testing
