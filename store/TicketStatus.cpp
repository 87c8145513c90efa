#include "store/TicketStatus.h"

#include <array>

namespace TicketStatus {

namespace {

// In the enum's order, from Prijato; with their lengths, as every history row read is looked up here.
constexpr std::array<QByteArrayView, Count> Codes {
    "prijato",
    "v_oprave",
    "ceka_na_dil",
    "ceka_na_zakaznika",
    "hotovo",
    "nelze_opravit",
    "vydano",
};

} // namespace

QByteArray code(Status status)
{
    const int index = int(status) - 1;
    return index >= 0 && index < Count ? Codes[size_t(index)].toByteArray() : QByteArray();
}

Status fromCode(QByteArrayView code)
{
    for (int i = 0; i < Count; ++i)
        if (code == Codes[size_t(i)])
            return Status(i + 1);
    return Status::Unknown;
}

bool inWorkList(WorkList list, Status status, std::optional<qint64> dueDay, qint64 today)
{
    switch (list) {
    case WorkList::All:
        return true;
    case WorkList::Open:
        return status != Status::None && status != Status::Vydano;
    case WorkList::Ready:
        return status == Status::Hotovo || status == Status::NelzeOpravit;
    case WorkList::Overdue:
        return (status == Status::Prijato || status == Status::VOprave || status == Status::CekaNaDil
                   || status == Status::CekaNaZakaznika)
            && dueDay && *dueDay < today;
    case WorkList::WaitingForPart:
        return status == Status::CekaNaDil;
    }
    return false;
}

} // namespace TicketStatus
