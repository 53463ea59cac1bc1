#pragma once

// Little-endian output for the file formats written here.

#include <QByteArray>
#include <QtGlobal>

namespace artwork {

class ByteWriter {
public:
    void u8(quint8 v) { m_data.append(static_cast<char>(v)); }
    void u16(quint16 v)
    {
        u8(static_cast<quint8>(v & 0xff));
        u8(static_cast<quint8>(v >> 8));
    }
    void u32(quint32 v)
    {
        u16(static_cast<quint16>(v & 0xffff));
        u16(static_cast<quint16>(v >> 16));
    }
    void bytes(const char *text) { m_data.append(text); }
    void bytes(const QByteArray &data) { m_data.append(data); }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

} // namespace artwork
