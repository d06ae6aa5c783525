#pragma once

// The layout of a binary property list ("bplist00"), shared by the reader and the
// writer: the signature, the object markers and the trailer, and the big-endian
// integers of 1 to 8 bytes that offsets, references and counts are stored in.
//
// A file is the 8-byte signature, the objects, the offset table (one offset per
// object), and a 32-byte trailer: 6 unused bytes, the offset size, the reference
// size, then the object count, the top object and the offset table's position,
// each in 8 bytes. Each object starts with a marker byte: its high nibble is the
// kind, its low nibble a size or a count (0xF: an integer object with the count
// follows).
// Threads: constants and pure functions; any thread.

#include <QtEndian>
#include <QtGlobal>

namespace vidarium::bplist {

inline constexpr char signature[] = "bplist00";
inline constexpr quint64 headerSize = 8;
inline constexpr quint64 trailerSize = 32;
// Where the trailer keeps its fields.
inline constexpr int trailerOffsetSize = 6;
inline constexpr int trailerRefSize = 7;
inline constexpr int trailerObjectCount = 8;
inline constexpr int trailerTopObject = 16;
inline constexpr int trailerOffsetTable = 24;

// Whole markers.
inline constexpr quint8 markerNull = 0x00;
inline constexpr quint8 markerFalse = 0x08;
inline constexpr quint8 markerTrue = 0x09;
inline constexpr quint8 markerFloat32 = 0x22;
inline constexpr quint8 markerReal = 0x23;
inline constexpr quint8 markerDate = 0x33;
inline constexpr quint8 markerInteger128 = 0x14;

// Kinds: the high nibble of a marker.
inline constexpr quint8 kindSpecial = 0x00; // null, false, true
inline constexpr quint8 kindInteger = 0x10; // low nibble: log2 of the byte count
inline constexpr quint8 kindReal = 0x20; // likewise
inline constexpr quint8 kindDate = 0x30;
inline constexpr quint8 kindData = 0x40;
inline constexpr quint8 kindAsciiString = 0x50;
inline constexpr quint8 kindUtf16String = 0x60;
inline constexpr quint8 kindUtf8String = 0x70; // written by newer encoders only
inline constexpr quint8 kindUid = 0x80; // low nibble: byte count - 1
inline constexpr quint8 kindArray = 0xA0;
inline constexpr quint8 kindOrderedSet = 0xB0;
inline constexpr quint8 kindSet = 0xC0;
inline constexpr quint8 kindDictionary = 0xD0;
// In the low nibble: the count is too large for it and follows as an integer object.
inline constexpr quint8 countFollows = 0x0F;

// The fewest of 1, 2, 4 or 8 bytes that hold `value`.
constexpr int bytesNeeded(quint64 value)
{
    if (value <= 0xFF)
        return 1;
    if (value <= 0xFFFF)
        return 2;
    if (value <= 0xFFFFFFFFull)
        return 4;
    return 8;
}

// The low nibble of an integer marker for 1, 2, 4 or 8 bytes.
constexpr quint8 integerSizeCode(int byteCount)
{
    return byteCount == 1 ? 0 : byteCount == 2 ? 1 : byteCount == 4 ? 2 : 3;
}

// Offsets and references take 1, 2, 4 or 8 bytes, and a catalogue reads millions:
// those sizes are read in one load; any other size byte by byte.
Q_ALWAYS_INLINE quint64 readBigEndian(const quint8 *p, int byteCount)
{
    switch (byteCount) {
    case 1:
        return p[0];
    case 2:
        return qFromBigEndian<quint16>(p);
    case 4:
        return qFromBigEndian<quint32>(p);
    case 8:
        return qFromBigEndian<quint64>(p);
    default:
        break;
    }
    quint64 value = 0;
    for (int i = 0; i < byteCount; ++i)
        value = (value << 8) | p[i];
    return value;
}

// Writes the low `byteCount` bytes of `value`, most significant first, and returns
// the byte after them.
inline char *putBigEndian(char *out, quint64 value, int byteCount)
{
    for (int shift = (byteCount - 1) * 8; shift >= 0; shift -= 8)
        *out++ = char((value >> shift) & 0xFF);
    return out;
}

} // namespace vidarium::bplist
