// SPDX-License-Identifier: GPL-3.0-or-later
// The chart as a picture, and the chart's context menu that offers it: "Bild speichern…" (PNG
// or SVG through the file dialog) and "Kopieren" (to the clipboard), by right click or by the
// Menu key while the chart has the focus.
#include "app/ChartExport.h"

#include "app/MainWindow.h"
#include "core/Errors.h"
#include "display/MSChart.h"

#include <QApplication>
#include <QClipboard>
#include <QImageWriter>
#include <QMenu>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace kurvomat {

namespace {

[[noreturn]] void cannotWrite(const QString &path, const QString &reason)
{
    throw FileError(QStringLiteral("cannot write \"%1\": %2").arg(path, reason).toStdString());
}

// The widget that draws the chart with what lies over it, and the chart's rectangle in it.
std::pair<QWidget *, QRect> pictureSource(QWidget &chart)
{
    if (QWidget *parent = chart.parentWidget())
        return {parent, chart.geometry()};
    return {&chart, chart.rect()};
}

void writeSvg(QWidget &chart, QSaveFile &file)
{
    const auto [source, area] = pictureSource(chart);
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(area.size());
    svg.setViewBox(QRect(QPoint(0, 0), area.size()));
    svg.setResolution(96); // one CSS pixel per pixel: shown at the chart's size
    svg.setTitle(QApplication::applicationName());
    QPainter painter;
    if (!painter.begin(&svg))
        cannotWrite(file.fileName(), file.errorString());
    source->render(&painter, QPoint(0, 0), QRegion(area), QWidget::DrawChildren);
    painter.end();
}

} // namespace

QPixmap chartPicture(QWidget &chart)
{
    const auto [source, area] = pictureSource(chart);
    return source->grab(area);
}

void saveChartPicture(QWidget &chart, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotWrite(path, file.errorString());
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        writeSvg(chart, file);
    } else {
        QImageWriter writer(&file, "png");
        if (!writer.write(chartPicture(chart).toImage()))
            cannotWrite(path, writer.errorString());
    }
    if (!file.commit())
        cannotWrite(path, file.errorString());
}

void copyChartPicture(QWidget &chart)
{
    QApplication::clipboard()->setPixmap(chartPicture(chart));
}

void MainWindow::createChartMenu()
{
    m_chart->setContextMenuPolicy(Qt::CustomContextMenu);
    // A stop of the Tab order (announced by its name), so that the Menu key opens the menu too.
    m_chart->setFocusPolicy(Qt::StrongFocus);
    connect(m_chart, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        auto *menu = new QMenu(m_chart);
        menu->setObjectName(QStringLiteral("Menu_DIAGRAMM"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(QStringLiteral("Bild speichern…"), this, [this] {
            runGuarded([this] { onSavePictureChosen(); },
                       QStringLiteral("Das Speichern des Bildes"));
        });
        menu->addAction(QStringLiteral("Kopieren"), this, [this] {
            runGuarded([this] { copyChartPicture(*m_chart); },
                       QStringLiteral("Das Kopieren des Bildes"));
        });
        menu->popup(m_chart->mapToGlobal(position));
    });
}

// "Bild speichern…": the file dialog, then the picture in the format its name asks for.
void MainWindow::onSavePictureChosen()
{
    const QString path = m_env.dialogs->saveFile(
        this, QStringLiteral("Bild speichern"), dataFile(QStringLiteral("KURVOMAT.png")),
        QStringLiteral("PNG-Bild (*.png);;SVG-Grafik (*.svg)"));
    if (!path.isEmpty())
        saveChartPicture(*m_chart, path);
}

} // namespace kurvomat
