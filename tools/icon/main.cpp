// SPDX-License-Identifier: GPL-3.0-or-later
// kurvomat-icon (a build step, not installed): writes the window's icon for the desktop's icon
// theme, drawn by the same code as the window's own icon.
//   kurvomat-icon <folder> <name> <size>...   <folder>/<size>x<size>/apps/<name>.png for each
//                                             size, and <folder>/scalable/apps/<name>.svg
#include "app/WindowIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QSvgGenerator>

#include <cstdio>

namespace {

bool writePng(const QString &path, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        kurvomat::paintWindowIcon(painter, size);
    }
    return image.save(path, "PNG");
}

bool writeSvg(const QString &path, const QString &title)
{
    // Drawn on a 256-unit square: the large sizes' (antialiased) variant of the design.
    constexpr int kUnits = 256;
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(QSize(kUnits, kUnits));
    svg.setViewBox(QRect(0, 0, kUnits, kUnits));
    svg.setTitle(title);
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    kurvomat::paintWindowIcon(painter, kUnits);
    return painter.end();
}

int cannotWrite(const QString &path)
{
    std::fprintf(stderr, "kurvomat-icon: cannot write %s\n", qPrintable(path));
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        std::fputs("usage: kurvomat-icon <folder> <name> <size>...\n", stderr);
        return 2;
    }
    const QDir folder(args[1]);
    const QString &name = args[2];
    for (const QString &sizeText : args.mid(3)) {
        const int size = sizeText.toInt();
        const QString sub = QStringLiteral("%1x%1/apps").arg(size);
        const QString png = folder.filePath(sub + u'/' + name + QStringLiteral(".png"));
        if (size < 1 || !folder.mkpath(sub) || !writePng(png, size))
            return cannotWrite(png);
    }
    const QString svg = folder.filePath(QStringLiteral("scalable/apps/") + name + ".svg");
    if (!folder.mkpath(QStringLiteral("scalable/apps")) || !writeSvg(svg, name))
        return cannotWrite(svg);
    return 0;
}
