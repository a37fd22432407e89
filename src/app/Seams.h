#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

class QWidget;

namespace kurvomat {

// Modal dialogs the window shows. Tests replace them with scripted answers, so no dialog
// ever blocks a test run.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Message box with an OK button only and no icon.
    virtual void message(QWidget *parent, const QString &text, const QString &title) = 0;
    // Message box with an OK button and a warning icon, for the window's own error reports.
    virtual void warning(QWidget *parent, const QString &text, const QString &title) = 0;
    // One-line input box; returns the empty text on Cancel.
    virtual QString input(QWidget *parent, const QString &prompt, const QString &title,
                          const QString &defaultText) = 0;
    // Yes/No question with the stop icon and No as the default button; true for Yes.
    virtual bool confirm(QWidget *parent, const QString &text, const QString &title) = 0;
    // File dialog for saving: starts at `suggested` (a full path) and offers `filters` (such as
    // "PNG-Bild (*.png);;SVG-Grafik (*.svg)"); a name typed without a suffix gets the one of the
    // filter chosen. Returns the full path, or the empty text on Cancel.
    virtual QString saveFile(QWidget *parent, const QString &title, const QString &suggested,
                             const QString &filters) = 0;
};

// The wall clock as the window reads it.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual QDate currentDate() const = 0;
    [[nodiscard]] virtual QTime currentTime() const = 0;
    // Seconds since midnight with a fraction.
    [[nodiscard]] virtual double secondsSinceMidnight() const = 0;
};

// Everything the window reaches outside itself. The defaults talk to the real system.
struct Environment {
    std::shared_ptr<Dialogs> dialogs;
    std::shared_ptr<Clock> clock;
    // Folder of the record, snapshot and results files.
    QString dataFolder;
    // Lets pending window events run once.
    std::function<void()> letEventsRun;
    // Maps a serial port number to the system's device name.
    std::function<QString(int)> serialDevice;
    // Whether the timers enabled at design time start with the window. Tests that drive the
    // handlers themselves switch this off.
    bool runTimers = true;

    // Qt dialogs, the system clock, the home folder (C:\ on Windows), the real event loop and
    // the platform's port names.
    [[nodiscard]] static Environment system();
};

[[nodiscard]] std::shared_ptr<Dialogs> makeQtDialogs();
[[nodiscard]] std::shared_ptr<Clock> makeSystemClock();
[[nodiscard]] QString defaultDataFolder();

} // namespace kurvomat
