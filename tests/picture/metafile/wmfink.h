#pragma once

// Plays a metafile for a test; ink.h looks at where the ink landed.

#include "ink.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture drawn at `dpr`, or a null image, with the reason in `error` or else in a warning.
QImage render(const QByteArray &bytes, qreal dpr = 1.0, QString *error = nullptr);
