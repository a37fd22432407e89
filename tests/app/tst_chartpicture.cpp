// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's context menu: its picture saved as PNG or SVG and copied, exactly as shown.
#include "support/WindowFixture.h"

#include <QChartView>
#include <QClipboard>
#include <QMenu>
#include <QSvgRenderer>
#include <QtTest>

using namespace kurvomat::testing;

class TestChartPicture : public QObject {
    Q_OBJECT

    // Opens the menu as the platform does for a right click, or for the Menu key (at the focus
    // widget), and chooses `entry`.
    static void choose(QWidget *chart, const QString &entry, QContextMenuEvent::Reason reason)
    {
        auto *view = chart->findChild<QChartView *>();
        QWidget *target = view->viewport();
        if (reason == QContextMenuEvent::Keyboard) {
            view->setFocus();
            target = QApplication::focusWidget();
        }
        QContextMenuEvent event(reason, QPoint(40, 40));
        QApplication::sendEvent(target, &event);
        auto *menu = chart->findChild<QMenu *>(QStringLiteral("Menu_DIAGRAMM"));
        QVERIFY(menu);
        for (QAction *action : menu->actions())
            if (action->text() == entry)
                action->trigger();
        delete menu;
    }

private slots:
    // The PNG has the chart's size and the fields drawn over the chart (where the curve lies
    // is tst_mschart's); the SVG spans the chart; the clipboard holds the PNG's picture. A file
    // that cannot be written is reported in the window's style; a cancelled dialog writes nothing.
    void savedAndCopied()
    {
        WindowFixture f;
        QWidget *chart = kurvomat::testing::chart(*f.window);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const QString png = f.file(QStringLiteral("bild.png"));
        const QString svg = f.file(QStringLiteral("bild.SVG"));
        f.dialogs->saveAnswers << png << svg << f.file(QStringLiteral("fehlt/bild.png"));
        for (auto reason : {QContextMenuEvent::Mouse, QContextMenuEvent::Keyboard,
                            QContextMenuEvent::Mouse, QContextMenuEvent::Mouse})
            choose(chart, QStringLiteral("Bild speichern…"), reason);
        choose(chart, QStringLiteral("Kopieren"), QContextMenuEvent::Mouse);

        const QImage image(png);
        QCOMPARE(image.size(), chart->size());
        const QRect max = field(*f.window, "Text_WERT_MAX")->geometry();
        QCOMPARE(image.pixelColor(max.topLeft() - chart->pos() + QPoint(2, 2)),
                 QColor(0, 128, 128));
        QCOMPARE(QSvgRenderer(svg).viewBox(), chart->rect());
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(image.format()), image);

        const QStringList warnings = f.dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(u"Das Speichern des Bildes ist nicht gelungen."),
                 qPrintable(warnings[0]));
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
                 QStringList({"bild.png", "bild.SVG"}));
    }
};

QTEST_MAIN(TestChartPicture)
#include "tst_chartpicture.moc"
