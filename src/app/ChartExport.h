// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QString>

class QWidget;

// The chart as a picture, exactly as the window shows it: the chart widget together with every
// sibling drawn over it (the fields of maximum, minimum, time and date), cut to the chart's
// rectangle. Works on the chart as a plain widget, whatever draws inside it.
namespace kurvomat {

// The picture at the chart's size in device-independent pixels (times the screen's pixel ratio
// in real pixels).
[[nodiscard]] QPixmap chartPicture(QWidget &chart);

// Writes the picture to `path`: SVG (vector, rendered from the widgets) when the name ends in
// ".svg", in any case, and PNG otherwise. The file is replaced only once it is written whole.
// Throws FileError naming the file and the reason.
void saveChartPicture(QWidget &chart, const QString &path);

// Puts the picture on the clipboard.
void copyChartPicture(QWidget &chart);

} // namespace kurvomat
