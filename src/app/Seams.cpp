#include "app/Seams.h"

#include "acquisition/MSComm.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kurvomat {

namespace {

// A message box whose text can also be read with the keyboard: Tab reaches it, the arrow keys
// walk through it (and a screen reader with them); Enter or Escape closes the box.
int showBox(QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QWidget *parent,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    return box.exec();
}

class QtDialogs final : public Dialogs {
public:
    void message(QWidget *parent, const QString &text, const QString &title) override
    {
        showBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    }

    void warning(QWidget *parent, const QString &text, const QString &title) override
    {
        showBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    }

    QString input(QWidget *parent, const QString &prompt, const QString &title,
                  const QString &defaultText) override
    {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
        return ok ? answer : QString();
    }

    bool confirm(QWidget *parent, const QString &text, const QString &title) override
    {
        return showBox(QMessageBox::Critical, title, text, QMessageBox::Yes | QMessageBox::No,
                       parent, QMessageBox::No)
            == QMessageBox::Yes;
    }
};

class SystemClock final : public Clock {
public:
    QDate currentDate() const override { return QDate::currentDate(); }
    QTime currentTime() const override { return QTime::currentTime(); }
    double secondsSinceMidnight() const override
    {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    }
};

} // namespace

std::shared_ptr<Dialogs> makeQtDialogs()
{
    return std::make_shared<QtDialogs>();
}

std::shared_ptr<Clock> makeSystemClock()
{
    return std::make_shared<SystemClock>();
}

QString defaultDataFolder()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:/");
#else
    return QDir::homePath();
#endif
}

Environment Environment::system()
{
    Environment env;
    env.dialogs = makeQtDialogs();
    env.clock = makeSystemClock();
    env.dataFolder = defaultDataFolder();
    env.letEventsRun = [] { QCoreApplication::processEvents(); };
    env.serialDevice = &MSComm::defaultDevice;
    return env;
}

} // namespace kurvomat
