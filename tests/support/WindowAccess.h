// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reaches the window's controls by their identifiers (objectName), as automation does, so the
// suites need nothing of the window but its public interface.

#include "acquisition/MSComm.h"
#include "display/MSChart.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>

namespace kurvomat::testing {

// The control of that identifier and type; a missing one ends the suite (a renamed identifier
// is a fault the suites must report, not a null pointer).
template <typename T = QWidget> T *control(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control \"%s\" of the expected kind", name);
    return found;
}

inline constexpr auto field = &control<QLineEdit>;
inline constexpr auto button = &control<QAbstractButton>;
inline constexpr auto timer = &control<QTimer>;
inline MSComm *port(const QObject &w)
{
    return control<MSComm>(w, "MSComm1");
}
inline MSChart *chart(const QObject &w)
{
    return control<MSChart>(w, "MSChart1");
}

// The texts of those fields, joined by "|".
inline QString texts(const QObject &w, std::initializer_list<const char *> names)
{
    QStringList texts;
    for (const char *name : names)
        texts << field(w, name)->text();
    return texts.join(u'|');
}

// Identifiers of the window's running timers, sorted.
inline QStringList runningTimers(const QObject &w)
{
    QStringList running;
    for (const QTimer *t : w.findChildren<QTimer *>())
        if (t->isActive())
            running << t->objectName();
    running.sort();
    return running;
}

} // namespace kurvomat::testing
