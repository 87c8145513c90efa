#include "store/TicketFileWriter.h"

#include "base/AppError.h"
#include "store/FieldText.h"
#include "store/TicketStore.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace {

const QByteArray TableName = "opravenky";

bool isStored(int field)
{
    return !TicketRecord::Fields[field].calculated;
}

QByteArray columnList()
{
    QByteArray list;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        if (isStored(f))
            list += (list.isEmpty() ? "\"" : ", \"") + QByteArray(TicketRecord::Fields[f].name) + '"';
    return list;
}

int storedCount()
{
    int n = 0;
    for (int f = 0; f < TicketRecord::FieldCount; ++f)
        n += isStored(f) ? 1 : 0;
    return n;
}

QString sqliteError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

QString describe(const TicketValue& value)
{
    if (const auto* n = std::get_if<qint64>(&value))
        return QString::number(*n);
    if (const auto* s = std::get_if<QString>(&value))
        return u'"' + *s + u'"';
    return QStringLiteral("null");
}

} // namespace

struct TicketFileWriter::Impl
{
    QString path;
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;

    [[noreturn]] void fail() const
    {
        throw AppError(QStringLiteral("Cannot write to file %1: %2").arg(QDir::toNativeSeparators(path), sqliteError(db)));
    }
    void exec(const char* sql) const
    {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }
    void close()
    {
        sqlite3_finalize(insert);
        insert = nullptr;
        sqlite3_close(db);
        db = nullptr;
    }
};

TicketFileWriter::TicketFileWriter(const QString& path)
    : d(new Impl)
{
    d->path = path;
    try {
        TicketStore::createDatabase(path);
        if (sqlite3_open_v2(path.toUtf8().constData(), &d->db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            d->fail();
        // One durable commit at the end; the file is not in use until it is moved into place.
        d->exec("PRAGMA synchronous=FULL");
        d->exec("BEGIN");
        QByteArray sql = "INSERT INTO " + TableName + " (" + columnList() + ") VALUES (?";
        sql += QByteArray(", ?").repeated(storedCount() - 1) + ")";
        if (sqlite3_prepare_v2(d->db, sql.constData(), int(sql.size()), &d->insert, nullptr) != SQLITE_OK)
            d->fail();
    } catch (...) {
        d->close();
        delete d;
        throw;
    }
}

TicketFileWriter::~TicketFileWriter()
{
    d->close(); // an open transaction is rolled back
    delete d;
}

void TicketFileWriter::add(const TicketValues& values)
{
    if (!d->db)
        throw AppError(QStringLiteral("Cannot write to file %1: it is closed").arg(d->path));
    sqlite3_reset(d->insert);
    int parameter = 1;
    for (int f = 0; f < TicketRecord::FieldCount; ++f) {
        if (!isStored(f))
            continue;
        const TicketValue& value = values[size_t(f)];
        const FieldKind kind = TicketRecord::Fields[f].kind;
        int result;
        if (const auto* n = std::get_if<qint64>(&value)) {
            if (kind == FieldKind::DateTime) {
                const QByteArray iso = FieldText::toIso(*n);
                result = sqlite3_bind_text(d->insert, parameter, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
            } else {
                result = sqlite3_bind_int64(d->insert, parameter, *n);
            }
        } else if (const auto* s = std::get_if<QString>(&value); s && !s->isEmpty()) {
            const QByteArray utf8 = s->toUtf8();
            result = sqlite3_bind_text(d->insert, parameter, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else {
            result = sqlite3_bind_null(d->insert, parameter);
        }
        // A value that failed to bind would be stored as NULL.
        if (result != SQLITE_OK)
            d->fail();
        ++parameter;
    }
    if (sqlite3_step(d->insert) != SQLITE_DONE)
        d->fail();
}

void TicketFileWriter::commit()
{
    if (!d->db)
        throw AppError(QStringLiteral("Cannot write to file %1: it is closed").arg(d->path));
    d->exec("COMMIT");
    d->close();
}

QString TicketFileWriter::verify(const QString& path, const std::vector<TicketValues>& expected)
{
    sqlite3* db = nullptr;
    QString problem;
    const auto result = [&](const QString& text) {
        sqlite3_close(db);
        return text;
    };
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return result(sqliteError(db));
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return result(sqliteError(db));
    if (sqlite3_step(st) != SQLITE_ROW
        || qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") != 0)
        problem = QStringLiteral("integrity check: ") + QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (!problem.isEmpty())
        return result(problem);

    const QByteArray sql = "SELECT " + columnList() + " FROM " + TableName + " ORDER BY rowid";
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        return result(sqliteError(db));
    size_t row = 0;
    int rc = SQLITE_DONE;
    while (problem.isEmpty() && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (row >= expected.size()) {
            problem = QStringLiteral("more tickets than were written");
            break;
        }
        int column = 0;
        for (int f = 0; f < TicketRecord::FieldCount && problem.isEmpty(); ++f) {
            if (!isStored(f))
                continue;
            TicketValue found;
            const int type = sqlite3_column_type(st, column);
            const FieldKind kind = TicketRecord::Fields[f].kind;
            if (type == SQLITE_INTEGER && kind != FieldKind::DateTime) {
                found = qint64(sqlite3_column_int64(st, column));
            } else if (type == SQLITE_TEXT) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
                const int size = sqlite3_column_bytes(st, column);
                qint64 packed = 0;
                if (kind != FieldKind::DateTime)
                    found = QString::fromUtf8(text, size);
                else if (FieldText::parseIso(text, size, packed))
                    found = packed;
            } else if (type != SQLITE_NULL) {
                found = QStringLiteral("(a value of type %1)").arg(type);
            }
            TicketValue want = expected[row][size_t(f)];
            if (const auto* s = std::get_if<QString>(&want); s && s->isEmpty())
                want = std::monostate();
            if (found != want)
                problem = QStringLiteral("ticket %1, field %2: %3 was written, %4 was read back")
                              .arg(row + 1)
                              .arg(QLatin1String(TicketRecord::Fields[f].name), describe(want), describe(found));
            ++column;
        }
        ++row;
    }
    if (problem.isEmpty() && rc != SQLITE_DONE)
        problem = sqliteError(db);
    else if (problem.isEmpty() && row != expected.size())
        problem = QStringLiteral("%1 tickets were written, %2 were read back").arg(expected.size()).arg(row);
    sqlite3_finalize(st);
    return result(problem);
}
