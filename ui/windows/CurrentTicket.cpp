#include "ui/windows/CurrentTicket.h"

#include "base/AppError.h"
#include "datamodule/TDM.h"
#include "lang/ExtraTexts.h"

#include <QDateTime>
#include <QTimeZone>

namespace CurrentTicket {

TBookmark require(const ExtraTexts& texts, const TDM* data)
{
    const TicketStore* table = data ? data->ADOTable : nullptr;
    if (!table || !table->Active())
        throw AppError(texts.text(ExtraText::NoTable));
    // A ticket the editor holds has no stored state to add to yet.
    if (table->State() != DataSetState::Browse)
        throw AppError(texts.text(ExtraText::TicketPending));
    const TBookmark id = table->GetBookmark();
    if (table->RecNo() < 0 || id == 0)
        throw AppError(texts.text(ExtraText::NoTicket));
    if (!table->statusOn())
        throw AppError(texts.text(ExtraText::StatusOff).arg(table->statusOffReason()));
    return id;
}

QString localTime(const QString& utcIso)
{
    QDateTime time = QDateTime::fromString(utcIso, Qt::ISODate);
    if (!time.isValid())
        return utcIso;
    // Stored in UTC, with or without the zone written.
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeZone(QTimeZone::utc());
    return time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString statusText(const ExtraTexts& texts, const QByteArray& code)
{
    using TicketStatus::Status;
    const Status status = TicketStatus::fromCode(code);
    if (status < Status::Prijato || status > Status::Vydano)
        return QString::fromUtf8(code);
    return texts.text(ExtraText(int(ExtraText::StatusPrijato) + int(status) - int(Status::Prijato)));
}

TicketStatus::Status newest(const std::vector<StatusEntry>& history)
{
    return history.empty() ? TicketStatus::Status::None : TicketStatus::fromCode(history.front().code);
}

} // namespace CurrentTicket
