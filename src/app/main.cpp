// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "core/Version.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kurvomat::MainWindow::kAppTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(kurvomat::kVersionText));
    // The installed desktop entry (dist/), so that the desktop shows the window under its name
    // and icon (Wayland matches windows to entries by this id).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kurvomat.kurvomat"));

    kurvomat::MainWindow window(kurvomat::Environment::system());
    // Placed in the centre of the screen when first shown.
    if (const QScreen *screen = QApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    return QApplication::exec();
}
