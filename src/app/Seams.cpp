// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Seams.h"

#include "acquisition/MSComm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPortInfo>

namespace kurvomat {

namespace {

// A message box whose text can also be read with the keyboard: Tab reaches it (Qt lets only a
// click focus a selectable text), the arrow keys walk through it and a screen reader follows
// them; Enter or Escape closes the box.
int showBox(QMessageBox::Icon icon, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons, QWidget *parent,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    for (QLabel *shown : box.findChildren<QLabel *>())
        if (shown->text() == text)
            shown->setFocusPolicy(Qt::StrongFocus);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    // The box opens with the focus on its default button, as before.
    if (QAbstractButton *first = box.defaultButton() ? box.defaultButton() : box.buttons().value(0))
        first->setFocus();
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

    // An editable list: a picked entry answers with its port's system name, any other text is
    // returned as typed.
    QString choosePort(QWidget *parent, const QString &prompt, const QString &title,
                       const QString &defaultText, const QList<SerialPortEntry> &ports) override
    {
        if (ports.isEmpty())
            return input(parent, prompt, title, defaultText);
        QStringList entries;
        qsizetype current = -1;
        for (const SerialPortEntry &port : ports) {
            QStringList details;
            for (const QString &detail : {port.description, port.manufacturer})
                if (!detail.trimmed().isEmpty())
                    details << detail.trimmed();
            if (port.systemName == defaultText)
                current = entries.size();
            entries << (details.isEmpty()
                            ? port.systemName
                            : QStringLiteral("%1 (%2)").arg(port.systemName, details.join(u", ")));
        }
        QInputDialog box(parent);
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setComboBoxItems(entries);
        box.setComboBoxEditable(true);
        // Without completion, Enter takes a picked port at once and typing is never overtaken.
        if (auto *list = box.findChild<QComboBox *>())
            list->setCompleter(nullptr);
        box.setTextValue(current >= 0 ? entries[current] : defaultText);
        if (box.exec() != QDialog::Accepted)
            return QString();
        const qsizetype picked = entries.indexOf(box.textValue());
        return picked >= 0 ? ports[picked].systemName : box.textValue();
    }

    bool confirm(QWidget *parent, const QString &text, const QString &title) override
    {
        return showBox(QMessageBox::Critical, title, text, QMessageBox::Yes | QMessageBox::No,
                       parent, QMessageBox::No)
            == QMessageBox::Yes;
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
    env.serialPorts = [] {
        QList<SerialPortEntry> ports;
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            ports.append({info.portName(), info.description(), info.manufacturer()});
        return ports;
    };
    return env;
}

} // namespace kurvomat
