#include "bench/BenchServer.h"

#include "base/AppError.h"
#include "datamodule/TDM.h"
#include "store/BackendFactory.h"
#include "store/PostgresBackend.h"
#include "store/TField.h"
#include "store/TicketStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>

namespace {

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool admin(const QString& url, const QString& sql)
{
    PGconn* conn = PQconnectdb(url.toUtf8().constData());
    PGresult* result = PQexec(conn, sql.toUtf8().constData());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok)
        std::fprintf(stderr, "%s: %s", qPrintable(sql), PQerrorMessage(conn));
    PQclear(result);
    PQfinish(conn);
    return ok;
}

// The data module opened in `dir`, whose trelomar.ini names the store; best of three.
double timeOpen(const QString& dir, std::unique_ptr<TDM>& dm)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir);
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        dm.reset();
        QElapsedTimer timer;
        timer.start();
        dm = std::make_unique<TDM>(FolderLayout(QDir::currentPath()));
        times.push_back(ms(timer.nsecsElapsed()));
    }
    QDir::setCurrent(previous);
    return *std::min_element(times.begin(), times.end());
}

struct ServerResult
{
    double fileOpen = 0, serverOpen = 0, postEdit = 0, postNew = 0, seen = 0, key = 0;
};

bool measure(const QString& baseUrl, int count, const TicketGenerator& generate, ServerResult& r)
{
    QTemporaryDir fileDir, serverDir;
    QDir(fileDir.path()).mkpath(QStringLiteral("data"));
    generate(fileDir.filePath(QStringLiteral("data/data.mdb")), count);

    const QString name = QStringLiteral("trelomar_bench_%1").arg(QCoreApplication::applicationPid());
    admin(baseUrl, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name));
    if (!admin(baseUrl, QStringLiteral("CREATE DATABASE %1").arg(name)))
        return false;
    const QString url = baseUrl.left(baseUrl.lastIndexOf(u'/') + 1) + name;
    {
        PostgresBackend::createTable(url);
        const QString file = QStringLiteral("Data Source=") + fileDir.filePath(QStringLiteral("data/data.mdb"));
        auto source = BackendFactory::open(file, QStringLiteral("bench"), 5000);
        std::vector<StoreRow::Row> rows;
        StoreRow::Texts texts;
        source->readAll(rows, texts);
        auto target = BackendFactory::open(url, QStringLiteral("bench"), 5000);
        target->beginBulk();
        for (StoreRow::Row& row : rows)
            target->write(row, 0xFFFFFFFFu & ~(1u << TicketRecord::adresa_mesto), true, texts);
        target->endBulk();
    }
    admin(url, QStringLiteral("VACUUM ANALYZE opravenky"));
    QFile ini(serverDir.filePath(QStringLiteral("trelomar.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Database]\nUrl=" + url.toUtf8() + '\n');
    ini.close();

    {
        std::unique_ptr<TDM> dm;
        r.fileOpen = timeOpen(fileDir.path(), dm);
    }
    std::unique_ptr<TDM> dm;
    r.serverOpen = timeOpen(serverDir.path(), dm);
    TicketStore& table = *dm->ADOTable;
    if (!table.Active() || table.RecordCount() != count) {
        std::fprintf(stderr, "the server table did not open with %d rows\n", count);
        return false;
    }

    std::vector<double> edits, news, seen, keys;
    TicketStore other;
    other.setConnectionString(url);
    other.Open();
    for (int i = 0; i < 15; ++i) {
        table.setRecNo((i * 7919) % table.RecordCount());
        table.Edit();
        dm->ADOTablevada->setAsString(QStringLiteral("nefunguje mikrofon %1").arg(i));
        QElapsedTimer timer;
        timer.start();
        table.Post();
        edits.push_back(ms(timer.nsecsElapsed()));

        const int number = table.reserveCislo();
        table.Append();
        dm->ADOTablecislo->setAsInteger(number);
        dm->ADOTablejmeno->setAsString(QStringLiteral("Nový Zákazník %1").arg(i));
        timer.restart();
        table.Post();
        news.push_back(ms(timer.nsecsElapsed()));

        // Another counter's new ticket: from its Post until this counter lists it.
        QEventLoop loop;
        const int before = table.RecordCount();
        auto refreshed = QObject::connect(&table, &TicketStore::changedElsewhere, &loop, [&] {
            table.Refresh();
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        other.Append();
        other.FieldByName(QStringLiteral("cislo"))->setAsInteger(other.reserveCislo());
        timer.restart();
        other.Post();
        loop.exec();
        QObject::disconnect(refreshed);
        if (table.RecordCount() != before + 1) {
            std::fprintf(stderr, "the other counter's ticket was not seen\n");
            return false;
        }
        seen.push_back(ms(timer.nsecsElapsed()));
    }
    QString imei;
    for (int row = count / 2; imei.isEmpty(); ++row)
        imei = table.displayText(row % count, TicketRecord::IMEI);
    for (int n = 1; n <= 8; ++n) {
        QElapsedTimer timer;
        timer.start();
        dm->FindText = imei.left(n);
        table.Refresh();
        keys.push_back(ms(timer.nsecsElapsed()));
    }
    r.postEdit = median(edits);
    r.postNew = median(news);
    r.seen = median(seen);
    r.key = median(keys);
    dm.reset();
    other.Close();
    admin(baseUrl, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name));
    return true;
}

} // namespace

bool runServerBench(const QString& url, const std::vector<int>& sizes, const TicketGenerator& generate)
{
    std::printf("\nThe store on a PostgreSQL server over its Unix socket (ms; opens best of 3, medians of 15 posts)\n\n");
    std::printf("%9s %9s %9s %6s %8s %8s %9s %8s\n", "tickets", "file open", "srv open", "×file", "post ed",
                "post new", "other new", "key med");
    for (int count : sizes) {
        ServerResult r;
        try {
            if (!measure(url, count, generate, r))
                return false;
        } catch (const AppError& error) {
            std::fprintf(stderr, "error: %s\n", qPrintable(error.message()));
            return false;
        }
        std::printf("%9d %9.1f %9.1f %6.2f %8.2f %8.2f %9.2f %8.2f\n", count, r.fileOpen, r.serverOpen,
                    r.serverOpen / r.fileOpen, r.postEdit, r.postNew, r.seen, r.key);
        std::fflush(stdout);
    }
    std::printf("\nTargets at 100,000: open within 2× the file's, a durable post < 5 ms, another counter's new ticket"
                " listed < 1000 ms.\nother new: from the other counter's Post until this counter has refreshed its"
                " list.\n");
    return true;
}
