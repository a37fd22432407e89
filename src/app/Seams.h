// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

class QObject;
class QWidget;

namespace kurvomat {

class MSComm;

// A serial port present on the system, as the system reports it.
struct SerialPortEntry {
    QString systemName; // what opens it: "ttyUSB0", "COM3"
    QString description; // "" where the system gives none
    QString manufacturer;
};

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
    // The port entry: a one-line input box that also offers `ports` to pick from, each shown with
    // its system name, description and manufacturer; with no ports it is the plain input box.
    // Returns the picked port's system name or the text as typed; the empty text on Cancel.
    virtual QString choosePort(QWidget *parent, const QString &prompt, const QString &title,
                               const QString &defaultText, const QList<SerialPortEntry> &ports) = 0;
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
    // Makes the serial port, owned by `parent`. Empty: the real port. Tests stand in ports
    // whose reads fail.
    std::function<MSComm *(QObject *parent)> makePort;
    // The serial ports present now, offered by the port entry; none where it is empty.
    std::function<QList<SerialPortEntry>()> serialPorts;
    // Whether the timers enabled at design time start with the window. Tests that drive the
    // handlers themselves switch this off.
    bool runTimers = true;

    // Qt dialogs, the system clock, the home folder (C:\ on Windows), the real event loop and
    // the platform's port names and ports.
    [[nodiscard]] static Environment system();
};

[[nodiscard]] std::shared_ptr<Dialogs> makeQtDialogs();
[[nodiscard]] std::shared_ptr<Clock> makeSystemClock();
[[nodiscard]] QString defaultDataFolder();

} // namespace kurvomat
