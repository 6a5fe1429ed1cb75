#include "data/fixedrecord.h"
#include "data/ansitext.h"

#include <QtEndian>

#include <cstring>

namespace FieldCodec {

QString ReadText(const char* record, const FieldLayout& f) {
    return ReadAnsiField(record + f.offset, f.width);
}

QByteArrayView RawBytes(const char* record, const FieldLayout& f) {
    return QByteArrayView(record + f.offset, f.width);
}

double ReadDate(const char* record, const FieldLayout& f) {
    return qFromLittleEndian<double>(record + f.offset);
}

qint16 ReadInt16(const char* record, const FieldLayout& f) {
    return qFromLittleEndian<qint16>(record + f.offset);
}

void WriteText(char* record, const FieldLayout& f, QStringView value) {
    StoreAnsiField(record + f.offset, f.width, value);
}

void WriteDate(char* record, const FieldLayout& f, double value) {
    qToLittleEndian(value, record + f.offset);
}

void WriteInt16(char* record, const FieldLayout& f, qint16 value) {
    qToLittleEndian(value, record + f.offset);
}

} // namespace FieldCodec
