#pragma once

// Splits a metafile into records. Every record handed out lies wholly inside the bytes it came
// from, so the player only has to check a record's fields against the record's own size.

#include <picture/littleendian.h>
#include <picture/metafile/wmf.h>

#include <QPoint>

#include <vector>

namespace picture::wmf {

struct Record {
    const char *data = nullptr; // starts at the record's size field
    quint32 size = 0;           // in bytes, at least the six of size and function
    quint16 function = 0;       // the full 16-bit record function

    LittleEndianReader bytes() const { return {data, qsizetype(size)}; }
};

struct Metafile {
    bool placeable = false;
    quint16 objectCount = 0; // what the header says the object table needs
    // The logical rectangle that maps onto the whole picture until the records say otherwise.
    QPoint windowOrigin;
    QPoint windowExtent;
    WmfInfo info;
    std::vector<Record> records; // in file order, without the end record
};

// The record's type (libuemf's U_WMR_* numbering), or -1 when the function's high byte does not
// belong to its low byte, as in a garbled file.
int recordType(const Record &record);

// False + one-line reason when the bytes are not a complete metafile with a natural size.
bool readMetafile(const QByteArray &bytes, Metafile *out, QString *error);

} // namespace picture::wmf
