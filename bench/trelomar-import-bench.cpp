// trelomar-import-bench [COUNT]: times "trelomar-db import" on an Access file
// of COUNT tickets (100,000 by default) written by the test writer.
#include "tests/legacy/JetWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    using W = JetWriter;
    W writer(QStringLiteral("opravenky"),
             {{"cislo", W::Long}, {"prijato", W::DateTime}, {"vydej", W::DateTime}, {"jmeno", W::Text, 50},
              {"adresa", W::Text, 100}, {"mesto", W::Text, 50}, {"telefon", W::Text, 50}, {"IMEI", W::Text, 50},
              {"cena", W::Money}, {"tel", W::Text, 20}, {"technik", W::Text, 25}, {"druh_opravy", W::Text, 20},
              {"kompletnost", W::Memo}, {"vada", W::Text, 50}});
    const QStringList names {"Novák", "Svobodová", "Dvořák", "Černý", "Procházková", "Kučera", "Veselý", "Horáková"};
    const QStringList towns {"Praha", "Plzeň", "Brno", "České Budějovice", "Ústí nad Labem"};
    for (int i = 0; i < count; ++i)
        writer.addRow({qint64(i + 1), W::oleDate(2000 + i % 20, 1 + i % 12, 1 + i % 28, 9 + i % 8, i % 60),
                       W::oleDate(2000 + i % 20, 1 + (i + 1) % 12, 1 + i % 28),
                       names[i % names.size()] + QStringLiteral(" %1").arg(i), QStringLiteral("Dlouhá %1").arg(i % 300),
                       towns[i % towns.size()], QStringLiteral("Nokia 33%1").arg(i % 100),
                       QStringLiteral("35%1").arg(qint64(i) * 7919 % 10000000000000LL, 13, 10, QLatin1Char('0')),
                       qint64(i % 5000) * 10000 + 9000, QStringLiteral("777 %1").arg(i % 1000000, 6, 10, QLatin1Char('0')),
                       QStringLiteral("Jan"), i % 2 ? QStringLiteral("záruční") : QStringLiteral("pozáruční"),
                       QStringLiteral("nabíječka, kryt, SIM karta"), QStringLiteral("nejde displej")});
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("data")));
    if (!writer.write(dir.filePath(QStringLiteral("data/data.mdb")))) {
        out << "cannot write the Access file\n";
        return 1;
    }
    QProcess tool;
    QElapsedTimer timer;
    timer.start();
    tool.start(QStringLiteral(TRELOMAR_DB_PATH), {QStringLiteral("import"), dir.path()});
    tool.waitForFinished(-1);
    const qint64 ms = timer.elapsed();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        out << "import failed: " << tool.readAllStandardError() << "\n";
        return 1;
    }
    out << "trelomar-db import of " << count << " tickets: " << ms << " ms\n";
    return 0;
}
