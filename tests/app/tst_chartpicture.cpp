// SPDX-License-Identifier: GPL-3.0-or-later
// The chart's context menu: its picture saved as PNG or SVG and copied, exactly as shown.

#include "support/WindowFixture.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineSeries>
#include <QMenu>
#include <QSvgRenderer>
#include <QtTest>

using namespace kurvomat;
using namespace kurvomat::testing;

class TestChartPicture : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    MSChart *m_chart = nullptr;

    // Opens the context menu as the platform does for a right click (mouse) or the Menu key
    // (keyboard: to the focus widget) and chooses `entry`.
    void choose(const QString &entry, QContextMenuEvent::Reason reason)
    {
        QWidget *target = m_chart->findChild<QChartView *>()->viewport();
        if (reason == QContextMenuEvent::Keyboard) {
            m_chart->findChild<QChartView *>()->setFocus(Qt::OtherFocusReason);
            QVERIFY(QApplication::focusWidget());
            target = QApplication::focusWidget();
        }
        QContextMenuEvent event(reason, QPoint(40, 40), target->mapToGlobal(QPoint(40, 40)));
        QApplication::sendEvent(target, &event);
        auto *menu = m_chart->findChild<QMenu *>(QStringLiteral("Menu_DIAGRAMM"));
        QVERIFY(menu);
        const QList<QAction *> actions = menu->actions();
        const auto it = std::find_if(actions.begin(), actions.end(),
                                     [&](QAction *a) { return a->text() == entry; });
        QVERIFY2(it != actions.end(), qPrintable(entry));
        (*it)->trigger();
        menu->close();
        delete menu;
    }

    // Where the chart draws the point (x, y), in the chart widget's pixels.
    QPoint drawnAt(double x, double y) const
    {
        auto *view = m_chart->findChild<QChartView *>();
        QChart *chart = view->chart();
        const QPointF scene = chart->mapToScene(chart->mapToPosition({x, y}, chart->series()[0]));
        return view->viewport()->mapTo(m_chart, view->mapFromScene(scene));
    }

private slots:
    void init()
    {
        m_f = std::make_unique<WindowFixture>();
        m_chart = chart(*m_f->window);
        m_f->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_f->window.get()));
        m_f->window->state().xLength = 10;
        m_f->window->resetChart();
        for (double v : {0, 0, 0, 0, 100, 100, 100, 100, 100, 100})
            m_f->window->drawPoint(v);
        m_f->window->flushPointFields();
        m_chart->flush();
    }
    void cleanup() { m_f.reset(); }

    // The PNG has the chart's size, the curve's colour on the curve and the maximum field drawn
    // over the chart; the SVG spans the chart's size; the clipboard holds the same picture.
    void savedAndCopied()
    {
        const QString png = m_f->file(QStringLiteral("bild.png"));
        const QString svg = m_f->file(QStringLiteral("bild.SVG"));
        m_f->dialogs->saveAnswers << png << svg;
        choose(QStringLiteral("Bild speichern…"), QContextMenuEvent::Mouse);
        choose(QStringLiteral("Bild speichern…"), QContextMenuEvent::Keyboard);
        choose(QStringLiteral("Kopieren"), QContextMenuEvent::Mouse);
        QCOMPARE(m_f->dialogs->texts(QStringLiteral("warning")), QStringList());

        const QImage image(png);
        QCOMPARE(image.size(), m_chart->size());
        const QColor curve(0, 0, 128);
        for (const QPointF &p : {QPointF(3, 0), QPointF(8, 100)}) { // not under a field
            const QPoint at = drawnAt(p.x(), p.y());
            QVERIFY2(image.pixelColor(at) == curve || image.pixelColor(at + QPoint(0, 1)) == curve,
                     qPrintable(image.pixelColor(at).name()));
        }
        QWidget *max = field(*m_f->window, "Text_WERT_MAX");
        const QPoint inField =
            max->geometry().topLeft() - m_chart->geometry().topLeft() + QPoint(2, 2);
        QCOMPARE(image.pixelColor(inField), QColor(0, 128, 128));

        QCOMPARE(QSvgRenderer(svg).viewBox(), m_chart->rect());
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(image.format()), image);
    }

    // A file that cannot be written is reported in the window's style; a cancelled dialog
    // writes nothing.
    void failures()
    {
        m_f->dialogs->saveAnswers << m_f->file(QStringLiteral("fehlt/bild.png"));
        choose(QStringLiteral("Bild speichern…"), QContextMenuEvent::Mouse);
        choose(QStringLiteral("Bild speichern…"), QContextMenuEvent::Mouse);
        const QStringList warnings = m_f->dialogs->texts(QStringLiteral("warning"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(
            warnings[0].startsWith(QStringLiteral("Das Speichern des Bildes ist nicht gelungen.")),
            qPrintable(warnings[0]));
        QCOMPARE(QDir(m_f->dir.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestChartPicture)
#include "tst_chartpicture.moc"
