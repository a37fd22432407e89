// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A window as every window suite sets it up: German regional settings, scripted dialogs, a fixed
// clock, a temporary data folder, no running timers, and a pseudo-terminal behind port 1 (every
// other port number leads nowhere). Made fresh for each test function.

#include "app/MainWindow.h"
#include "support/Fakes.h"
#include "support/PseudoTerminal.h"
#include "support/WindowAccess.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace kurvomat::testing {

class WindowFixture {
public:
    // `adjust` changes the environment before the window is made.
    explicit WindowFixture(const std::function<void(Environment &)> &adjust = {})
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Environment env = testEnvironment(dir.path(), dialogs);
        env.serialDevice = [this](int number) { return number == 1 ? device : QString(); };
        if (adjust)
            adjust(env);
        window = std::make_unique<MainWindow>(env);
    }
    ~WindowFixture()
    {
        window.reset();
        QLocale::setDefault(QLocale::c());
    }

    // Runs the event loop until the program ends it; false when it still ran after a minute
    // (something went on past the end).
    static bool runUntilTheProgramEnds()
    {
        QTimer hang;
        hang.callOnTimeout([] { QCoreApplication::exit(1); });
        hang.start(60000);
        return QCoreApplication::exec() == 0;
    }

    // A file of the data folder, e.g. "AUSGABE_OSZI.txt".
    [[nodiscard]] QString file(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::unique_ptr<PseudoTerminal> pty = std::make_unique<PseudoTerminal>();
    QString device = pty->slavePath(); // where port 1 leads
    std::unique_ptr<MainWindow> window;
};

// A suite whose test functions each get a fresh window from open() in init(); the previous one
// goes then, the last with the suite.
class WindowSuite {
protected:
    void open(const std::function<void(Environment &)> &adjust = {})
    {
        m_f.reset(); // the old window first: it resets the regional settings
        m_f = std::make_unique<WindowFixture>(adjust);
        m_w = m_f->window.get();
        m_dialogs = m_f->dialogs.get();
    }
    std::unique_ptr<WindowFixture> m_f;
    MainWindow *m_w = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
};

} // namespace kurvomat::testing
