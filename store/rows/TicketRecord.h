#pragma once

#include <array>

// The fields of one repair ticket, the fields of table "opravenky", in
// declaration order. All are stored except the calculated adresa_mesto.
enum class FieldKind { Integer, DateTime, Text, Currency, Memo };

struct FieldDef
{
    const char* name;
    FieldKind kind;
    int size; // characters for text fields, 0 otherwise
    bool calculated;
};

namespace TicketRecord {

enum Field {
    cislo, prijato, vydej, jmeno, adresa, mesto, telefon, IMEI, cena, tel, technik, druh_opravy,
    adresa_mesto, kompletnost, vada,
    FieldCount
};

inline constexpr std::array<FieldDef, FieldCount> Fields = {{
    {"cislo", FieldKind::Integer, 0, false},
    {"prijato", FieldKind::DateTime, 0, false},
    {"vydej", FieldKind::DateTime, 0, false},
    {"jmeno", FieldKind::Text, 50, false},
    {"adresa", FieldKind::Text, 100, false},
    {"mesto", FieldKind::Text, 50, false},
    {"telefon", FieldKind::Text, 50, false},
    {"IMEI", FieldKind::Text, 50, false},
    {"cena", FieldKind::Currency, 0, false},
    {"tel", FieldKind::Text, 20, false},
    {"technik", FieldKind::Text, 25, false},
    {"druh_opravy", FieldKind::Text, 20, false},
    {"adresa_mesto", FieldKind::Text, 80, true},
    {"kompletnost", FieldKind::Memo, 0, false},
    {"vada", FieldKind::Text, 50, false},
}};

} // namespace TicketRecord
