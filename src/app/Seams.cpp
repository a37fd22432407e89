#include "app/Seams.h"

#include "acquisition/MSComm.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kurvomat {

namespace {

class QtDialogs final : public Dialogs {
public:
    void message(QWidget *parent, const QString &text, const QString &title) override
    {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
        box.exec();
    }

    void warning(QWidget *parent, const QString &text, const QString &title) override
    {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
        box.exec();
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
        QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    QString saveFile(QWidget *parent, const QString &title, const QString &suggested,
                     const QString &filters) override
    {
        QFileDialog dialog(parent, title, suggested, filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(suggested);
        // The suffix of the chosen filter: "*.svg" in "SVG-Grafik (*.svg)".
        const auto suffixOf = [](const QString &filter) {
            const qsizetype star = filter.indexOf(QStringLiteral("*."));
            return star < 0 ? QString()
                            : filter.sliced(star + 2).section(u')', 0, 0).section(u' ', 0, 0);
        };
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&](const QString &filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
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
