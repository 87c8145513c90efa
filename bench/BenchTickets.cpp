#include "bench/BenchTickets.h"

#include "store/TicketStore.h"

#include <QDate>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

[[noreturn]] void fail(const char* what, sqlite3* db)
{
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

const char* const MaleFirst[] = {"Jan", "Petr", "Jiří", "Josef", "Pavel", "Martin", "Tomáš", "Jaroslav", "Miroslav",
                                 "Zdeněk", "Václav", "Michal", "František", "Jakub", "Milan", "Karel", "Lukáš",
                                 "David", "Ondřej", "Radek", "Luboš", "Vojtěch", "Štěpán", "Matěj", "Dominik"};
const char* const FemaleFirst[] = {"Jana", "Marie", "Eva", "Hana", "Anna", "Lenka", "Kateřina", "Věra", "Lucie",
                                   "Alena", "Petra", "Jaroslava", "Veronika", "Martina", "Tereza", "Michaela",
                                   "Zdeňka", "Ivana", "Monika", "Šárka", "Žaneta", "Barbora", "Klára", "Dagmar"};
// Surnames in the male form and the female form.
const char* const Surnames[][2] = {
    {"Novák", "Nováková"}, {"Svoboda", "Svobodová"}, {"Novotný", "Novotná"}, {"Dvořák", "Dvořáková"},
    {"Černý", "Černá"}, {"Procházka", "Procházková"}, {"Kučera", "Kučerová"}, {"Veselý", "Veselá"},
    {"Horák", "Horáková"}, {"Němec", "Němcová"}, {"Pokorný", "Pokorná"}, {"Marek", "Marková"},
    {"Pospíšil", "Pospíšilová"}, {"Hájek", "Hájková"}, {"Jelínek", "Jelínková"}, {"Král", "Králová"},
    {"Růžička", "Růžičková"}, {"Beneš", "Benešová"}, {"Fiala", "Fialová"}, {"Sedláček", "Sedláčková"},
    {"Doležal", "Doležalová"}, {"Zeman", "Zemanová"}, {"Kolář", "Kolářová"}, {"Navrátil", "Navrátilová"},
    {"Čermák", "Čermáková"}, {"Vaněk", "Vaňková"}, {"Urban", "Urbanová"}, {"Blažek", "Blažková"},
    {"Kříž", "Křížová"}, {"Kovář", "Kovářová"}, {"Bartoš", "Bartošová"}, {"Vlček", "Vlčková"},
    {"Polák", "Poláková"}, {"Kopecký", "Kopecká"}, {"Musil", "Musilová"}, {"Šimek", "Šimková"},
    {"Konečný", "Konečná"}, {"Malý", "Malá"}, {"Holub", "Holubová"}, {"Štěpánek", "Štěpánková"},
    {"Chalupa", "Chalupová"}, {"Chmelař", "Chmelařová"}, {"Hrubý", "Hrubá"}, {"Ševčík", "Ševčíková"},
    {"Žák", "Žáková"}, {"Řezníček", "Řezníčková"}, {"Šťastný", "Šťastná"}, {"Ondráček", "Ondráčková"},
    {"Toman", "Tomanová"}, {"Bednář", "Bednářová"}, {"Charvát", "Charvátová"}, {"Kadlec", "Kadlecová"},
    {"Vávra", "Vávrová"}, {"Mach", "Machová"}, {"Matějka", "Matějková"}, {"Říha", "Říhová"},
};
// Rarer surnames: a stem and an ending in its male and female form.
const char* const Stems[] = {"Nov", "Svob", "Dvoř", "Čern", "Proch", "Kuč", "Vesel", "Hor", "Něm", "Pokor",
                             "Mar", "Posp", "Háj", "Jelín", "Král", "Růž", "Beneš", "Fial", "Sedl", "Dolež",
                             "Zem", "Kol", "Navr", "Čerm", "Van", "Urb", "Blaž", "Kříž", "Kov", "Bart",
                             "Vlč", "Pol", "Kopec", "Mus", "Šim", "Konečn", "Mal", "Hol", "Štěp", "Chal",
                             "Chmel", "Hrub", "Ševč", "Žab", "Řezn", "Šťast", "Ondr", "Tom", "Bedn", "Charv",
                             "Kadl", "Vávr", "Mach", "Matěj", "Říh"};
const char* const Endings[][2] = {{"ák", "áková"}, {"ek", "ková"}, {"ík", "íková"}, {"ý", "á"},
                                  {"a", "ová"}, {"ec", "cová"}, {"ovský", "ovská"}, {"íček", "íčková"},
                                  {"ář", "ářová"}, {"oušek", "oušková"}};
const char* const Streets[] = {"Dlouhá", "Krátká", "Nádražní", "Husova", "Masarykova", "Palackého", "Komenského",
                               "Sokolská", "Žižkova", "Školní", "Zahradní", "Na Výsluní", "U Potoka", "Lipová",
                               "Třída Svobody", "Čechova", "Smetanova", "Riegrova", "Jiráskova", "Nerudova"};
const char* const Towns[] = {"Praha", "Brno", "Ostrava", "Plzeň", "Liberec", "Olomouc", "České Budějovice",
                             "Hradec Králové", "Ústí nad Labem", "Pardubice", "Zlín", "Havířov", "Kladno",
                             "Most", "Opava", "Frýdek-Místek", "Karviná", "Jihlava", "Teplice", "Děčín",
                             "Chomutov", "Přerov", "Jablonec nad Nisou", "Mladá Boleslav", "Prostějov",
                             "Třebíč", "Česká Lípa", "Třinec", "Tábor", "Znojmo", "Příbram", "Cheb", "Kolín"};
const char* const Devices[] = {"Nokia 3310", "Nokia 6310i", "Nokia 8210", "Siemens C35i", "Siemens S45",
                               "Siemens ME45", "Ericsson T28s", "Ericsson R320s", "Motorola V3688",
                               "Motorola Timeport", "Alcatel One Touch Easy", "Samsung SGH-A300",
                               "Panasonic GD90", "Sagem MC959", "Philips Savvy", "Sony CMD-J5"};
const char* const Technicians[] = {"Novák", "Kučera", "Hájek", "Svobodová", "Šimek", "Řezníček"};
const char* const Faults[] = {"nejde zapnout", "nenabíjí", "rozbitý displej", "nefunguje klávesnice",
                              "neslyší druhou stranu", "vytéká baterie", "nechytá signál", "po pádu do vody",
                              "nefunguje vyzvánění", "zamrzá", "blokovaná SIM", "praskly kryt"};
const char* const Accessories[] = {"bez příslušenství", "nabíječka", "nabíječka, baterie", "baterie, kryt",
                                   "krabice, nabíječka, návod", "pouze telefon"};
const char* const Kinds[] = {"záruční", "pozáruční"};
const char* const Tacs[] = {"35", "44", "45", "49", "52", "01", "86", "33"};

template <class T, size_t N>
const T& pick(std::mt19937& rng, const T (&list)[N])
{
    return list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

// Three status changes per ticket, as a shop's years of work leave them: received,
// in repair, and then ready, waiting for a part, cannot be repaired or handed over.
void generateHistory(sqlite3* db, sqlite3_stmt* st, std::mt19937& rng, qint64 ticket, const QDate& taken)
{
    const char* const Last[] = { "hotovo", "hotovo", "ceka_na_dil", "nelze_opravit", "vydano", "vydano", "vydano",
        "vydano", "vydano", "vydano" };
    const char* const codes[] = { "prijato", "v_oprave", pick(rng, Last) };
    for (int k = 0; k < 3; ++k) {
        const QByteArray time = taken.addDays(k * 3).toString(Qt::ISODate).toLatin1() + "T09:30:00Z";
        sqlite3_bind_int64(st, 1, ticket);
        sqlite3_bind_text(st, 2, time.constData(), int(time.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, codes[k], -1, SQLITE_STATIC);
        if (k == 0)
            sqlite3_bind_null(st, 4);
        else
            sqlite3_bind_text(st, 4, pick(rng, Faults), -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 5, pick(rng, Technicians), -1, SQLITE_STATIC);
        if (qstrcmp(codes[k], "vydano") == 0)
            sqlite3_bind_int64(st, 6, qint64(rng() % 400 + 1) * 50 * 10000);
        else
            sqlite3_bind_null(st, 6);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail("insert history", db);
        sqlite3_reset(st);
    }
}

} // namespace

namespace BenchTickets {

void generate(const QString& path, int count)
{
    TicketStore::createDatabase(path);
    {
        // The schema a program of this version leaves, the status history among it.
        TicketStore store;
        store.setConnectionString(QStringLiteral("Data Source=") + path);
        store.Open();
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        fail("open", db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    const char* sql = "INSERT INTO opravenky (cislo, prijato, vydej, jmeno, adresa, mesto, telefon, IMEI, cena, tel, "
                      "technik, druh_opravy, kompletnost, vada) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
    sqlite3_stmt* history = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(db,
               "INSERT INTO historie_stavu (opravenka, cas, stav, poznamka, technik, castka) VALUES (?,?,?,?,?,?)", -1,
               &history, nullptr)
            != SQLITE_OK)
        fail("prepare", db);
    std::mt19937 rng(20240305);
    std::uniform_int_distribution<int> digit(0, 9);
    const QDate start(2019, 1, 2);
    for (int i = 0; i < count; ++i) {
        auto text = [&](int column, const QByteArray& value) {
            sqlite3_bind_text(st, column, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        };
        const bool female = rng() % 2;
        QByteArray surname;
        if (rng() % 10 < 3) { // the common surnames carry a third of the customers
            surname = pick(rng, Surnames)[female ? 1 : 0];
        } else {
            surname = QByteArray(pick(rng, Stems)) + pick(rng, Endings)[female ? 1 : 0];
        }
        const QByteArray name = surname + ' ' + (female ? pick(rng, FemaleFirst) : pick(rng, MaleFirst));
        const QDate taken = start.addDays(qint64(i) * 1800 / std::max(count, 1));
        sqlite3_bind_int(st, 1, i + 1);
        text(2, taken.toString(Qt::ISODate).toLatin1() + "T00:00:00");
        text(3, taken.addDays(14).toString(Qt::ISODate).toLatin1() + "T00:00:00");
        text(4, name);
        text(5, QByteArray(pick(rng, Streets)) + ' ' + QByteArray::number(1 + rng() % 120));
        text(6, pick(rng, Towns));
        text(7, pick(rng, Devices));
        if (rng() % 10 == 0) {
            sqlite3_bind_null(st, 8); // about a tenth come without an IMEI
        } else {
            QByteArray imei = pick(rng, Tacs);
            while (imei.size() < 15)
                imei += char('0' + digit(rng));
            text(8, imei);
        }
        sqlite3_bind_int64(st, 9, qint64(rng() % 400 + 1) * 50 * 10000);
        QByteArray phone = "6";
        for (int k = 0; k < 8; ++k)
            phone += char('0' + digit(rng));
        text(10, phone);
        text(11, pick(rng, Technicians));
        text(12, pick(rng, Kinds));
        text(13, pick(rng, Accessories));
        text(14, pick(rng, Faults));
        if (sqlite3_step(st) != SQLITE_DONE)
            fail("insert", db);
        sqlite3_reset(st);
        generateHistory(db, history, rng, sqlite3_last_insert_rowid(db), taken);
    }
    sqlite3_finalize(st);
    sqlite3_finalize(history);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail("commit", db);
    sqlite3_close(db);
}

} // namespace BenchTickets
