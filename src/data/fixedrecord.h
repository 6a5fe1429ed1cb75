#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <cstddef>

// Fixed-width fields of the data files' records: text (Windows-1252, space-padded), dates
// (8-byte little-endian OLE Automation doubles) and 16-bit little-endian integers.

enum class FieldType { Text, Date, Int16 };

struct FieldLayout {
    const char* name;
    int offset;
    int width;
    FieldType type;
};

// True when the fields follow each other without gaps or overlaps from offset 0 and fill
// exactly `recordLength` bytes, and dates and integers have their natural widths.
template <std::size_t N>
constexpr bool IsPackedLayout(const std::array<FieldLayout, N>& fields, int recordLength) {
    int next = 0;
    for (const FieldLayout& f : fields) {
        if (f.offset != next || f.width <= 0)
            return false;
        if (f.type == FieldType::Date && f.width != 8)
            return false;
        if (f.type == FieldType::Int16 && f.width != 2)
            return false;
        next += f.width;
    }
    return next == recordLength;
}

namespace FieldCodec {
QString ReadText(const char* record, const FieldLayout& f);        // trimmed of surrounding spaces
QByteArrayView RawBytes(const char* record, const FieldLayout& f); // as stored, padding included
double ReadDate(const char* record, const FieldLayout& f);
qint16 ReadInt16(const char* record, const FieldLayout& f);
void WriteText(char* record, const FieldLayout& f, QStringView value);
void WriteDate(char* record, const FieldLayout& f, double value);
void WriteInt16(char* record, const FieldLayout& f, qint16 value);
// Spaces in every text field, zero in every date and integer.
template <std::size_t N> void Blank(char* record, const std::array<FieldLayout, N>& fields) {
    for (const FieldLayout& f : fields)
        std::fill(record + f.offset, record + f.offset + f.width, f.type == FieldType::Text ? ' ' : '\0');
}
} // namespace FieldCodec

// Typed names for the field types, used by the accessor macros of the record classes.
using FieldValue_Text = QString;
using FieldValue_Date = double;
using FieldValue_Int16 = qint16;

#define ROSTERLY_FIELD_ENUM(name, offset, width, type) name,
#define ROSTERLY_FIELD_LAYOUT(name, offset, width, type) FieldLayout{#name, offset, width, FieldType::type},
#define ROSTERLY_FIELD_GETTER(name, offset, width, type)                                                     \
    FieldValue_##type name() const {                                                                         \
        return FieldCodec::Read##type(data(), FieldOf(Field::name));                                         \
    }
#define ROSTERLY_FIELD_SETTER(name, offset, width, type)                                                     \
    void Set##name(const FieldValue_##type& value) {                                                         \
        FieldCodec::Write##type(data(), FieldOf(Field::name), value);                                        \
    }

// Accessors shared by a record that owns its bytes and a view over bytes read in a block.
// `Derived` provides data(); `Fields` is the layout table, `FieldEnum` its enum.
template <typename Derived, typename FieldEnum, const auto& Fields> class RecordAccess {
public:
    static constexpr const FieldLayout& FieldOf(FieldEnum f) { return Fields[static_cast<std::size_t>(f)]; }
    QString Text(FieldEnum f) const { return FieldCodec::ReadText(bytes(), FieldOf(f)); }
    QByteArrayView Raw(FieldEnum f) const { return FieldCodec::RawBytes(bytes(), FieldOf(f)); }
    double Date(FieldEnum f) const { return FieldCodec::ReadDate(bytes(), FieldOf(f)); }
    qint16 Int16(FieldEnum f) const { return FieldCodec::ReadInt16(bytes(), FieldOf(f)); }

private:
    const char* bytes() const { return static_cast<const Derived*>(this)->data(); }
};
