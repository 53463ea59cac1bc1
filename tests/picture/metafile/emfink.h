#pragma once

// Shorthands for the EMF player's tests: a 100 x 100 pixel picture whose logical units start as
// pixels, drawn; ink.h looks at where its ink landed.

#include "emfbuilder.h"
#include "ink.h"

#include <QImage>
#include <QMetaType>

#include <functional>

// 100 x 100 pixels; no pen, a black brush selected.
EmfBuilder emfPicture();
// The picture drawn, or a null image with a warning.
QImage drawEmf(EmfBuilder &b);

// What a data row draws, and the points it expects ink at or not.
using Setup = std::function<void(EmfBuilder &)>;
using Points = QList<QPoint>;
Q_DECLARE_METATYPE(Setup)
// A record built by hand: its type and fields.
using Record = std::pair<quint32, QList<qint64>>;
// The records, as a row's drawing.
Setup records(const QList<Record> &records);
Record box(int left, int top, int right, int bottom); // RECTANGLE
Record moveTo(int x, int y);
Record lineTo(int x, int y);
// A record without fields, and one with only (unused) bounds.
Record bare(quint32 type);
Record onPath(quint32 type);
