#pragma once

// Little-endian fields of a file or record, every read checked against the bytes at hand: a
// field that does not lie wholly inside reads as zero, so a damaged length or offset can never
// reach outside them. Callers still check lengths where a short field means something.

#include <QByteArray>
#include <QByteArrayView>
#include <QtEndian>

namespace picture {

class LittleEndianReader {
public:
    LittleEndianReader() = default;
    LittleEndianReader(const char *data, qsizetype size)
        : data_(data), size_(data && size > 0 ? size : 0)
    {
    }
    explicit LittleEndianReader(QByteArrayView bytes)
        : LittleEndianReader(bytes.data(), bytes.size())
    {
    }

    const char *data() const { return data_; }
    qsizetype size() const { return size_; }

    // Whether `length` bytes from `offset` lie inside.
    bool has(qsizetype offset, qsizetype length) const
    {
        return offset >= 0 && length >= 0 && offset <= size_ && length <= size_ - offset;
    }

    // The bytes from `offset`, or from `at` (a pointer into them), to the end; none when outside.
    LittleEndianReader from(qsizetype offset) const
    {
        return has(offset, 0) ? LittleEndianReader(data_ + offset, size_ - offset)
                              : LittleEndianReader();
    }
    LittleEndianReader from(const char *at) const
    {
        return data_ && at >= data_ && at <= data_ + size_ ? from(at - data_)
                                                           : LittleEndianReader();
    }

    quint8 u8(qsizetype offset) const { return read<quint8>(offset); }
    quint16 u16(qsizetype offset) const { return read<quint16>(offset); }
    qint16 s16(qsizetype offset) const { return read<qint16>(offset); }
    quint32 u32(qsizetype offset) const { return read<quint32>(offset); }
    qint32 s32(qsizetype offset) const { return read<qint32>(offset); }

private:
    template <typename T> T read(qsizetype offset) const
    {
        return has(offset, qsizetype(sizeof(T))) ? qFromLittleEndian<T>(data_ + offset) : T(0);
    }

    const char *data_ = nullptr;
    qsizetype size_ = 0;
};

// Writes a 32-bit little-endian field at `offset`; nothing when it does not fit.
inline void writeU32(QByteArray &bytes, qsizetype offset, quint32 value)
{
    if (offset >= 0 && offset <= bytes.size() - 4)
        qToLittleEndian<quint32>(value, bytes.data() + offset);
}

} // namespace picture
