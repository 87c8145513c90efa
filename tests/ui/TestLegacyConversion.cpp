#include "datamodule/TDM.h"
#include "lang/ExtraTexts.h"
#include "program/LegacyConversion.h"
#include "store/TicketStore.h"
#include "tests/legacy/JetWriter.h"
#include "tests/support/AppFixture.h"
#include "tests/support/TestRegistry.h"
#include "tests/ui/ModalWatch.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

using W = JetWriter;

// The question at start when the working folder still holds the earlier
// program's Access database.
class TestLegacyConversion : public QObject
{
    Q_OBJECT

    static void writeAccessFile(const QString& dir, const QString& table = QStringLiteral("opravenky"))
    {
        QList<W::Column> columns {{"cislo", W::Long}, {"prijato", W::DateTime}, {"vydej", W::DateTime},
                                  {"jmeno", W::Text, 50}, {"adresa", W::Text, 100}, {"mesto", W::Text, 50},
                                  {"telefon", W::Text, 50}, {"IMEI", W::Text, 50}, {"cena", W::Money},
                                  {"tel", W::Text, 20}, {"technik", W::Text, 25}, {"druh_opravy", W::Text, 20},
                                  {"kompletnost", W::Memo}, {"vada", W::Text, 50}};
        W writer(table, columns);
        for (int i = 1; i <= 2; ++i)
            writer.addRow({qint64(i), W::oleDate(2005, 1, i), {}, QStringLiteral("Zákazník %1").arg(i), {}, {}, {}, {},
                           qint64(i * 15000), {}, {}, {}, {}, {}});
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/data")));
        QVERIFY(writer.write(dir + QStringLiteral("/data/data.mdb")));
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Answers the question, notes every box's text, leaves the progress window to the conversion.
    static ModalWatch::Action answer(QMessageBox::StandardButton button, QStringList& texts)
    {
        return [button, &texts](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                texts.append(box->text());
                if (box->objectName() == QLatin1String("convertQuestion"))
                    box->button(button)->click();
                else
                    box->accept();
            }
        };
    }

private slots:
    void yesConvertsAndTheTableOpensWithTheTickets()
    {
        // The program looks for the tool beside itself, then on the PATH.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFileInfo(QStringLiteral(TRELOMAR_DB_PATH)).path().toLocal8Bit() + QDir::listSeparator().toLatin1() + path);
        QStringList texts;
        ModalWatch watch(answer(QMessageBox::Yes, texts));
        AppFixture::Options options;
        options.createDatabase = false;
        options.beforeStart = [](const QString& dir) { writeAccessFile(dir); };
        AppFixture app(options);
        qputenv("PATH", path);

        QCOMPARE(watch.seen.first(), QStringLiteral("convertQuestion"));
        QVERIFY2(texts.first().contains(QStringLiteral("data/data-access.mdb")), qPrintable(texts.first()));
        QVERIFY2(app.errors.messages.isEmpty(), qPrintable(app.errors.messages.join(u'\n')));
        QVERIFY(QFile::exists(app.path(QStringLiteral("data/data-access.mdb"))));
        // The conversion ends with the count of tickets and report lines and where the report is.
        QCOMPARE(watch.seen.last(), QStringLiteral("convertDone"));
        QCOMPARE(texts.last(), ExtraTexts::builtIn(ExtraText::ConvertDone)
                                   .arg(QStringLiteral("2"), QStringLiteral("0"),
                                        QDir::toNativeSeparators(app.path(QStringLiteral("data/import-report.txt")))));
        QVERIFY(QFile::exists(app.path(QStringLiteral("data/import-report.txt"))));
        QVERIFY(app.DM()->ADOTable->Active());
        QCOMPARE(app.DM()->ADOTable->RecordCount(), 2);
        app.DM()->ADOTable->setRecNo(1);
        QCOMPARE(app.DM()->ADOTablejmeno->AsString(), QStringLiteral("Zákazník 2"));
        QCOMPARE(app.DM()->ADOTablecena->AsCurrency(), 30000);
    }

    void noKeepsTheFileInTheLanguageOfTheDefaultFile()
    {
        QTemporaryDir dir;
        writeAccessFile(dir.path());
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("lang"))));
        QVERIFY(QFile::copy(qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/en.lng"),
                            dir.filePath(QStringLiteral("lang/default.lng"))));
        const QByteArray original = bytesOf(dir.filePath(QStringLiteral("data/data.mdb")));
        QStringList texts;
        ModalWatch watch(answer(QMessageBox::No, texts));
        QCOMPARE(LegacyConversion::offer(FolderLayout(dir.path()), QStringLiteral(TRELOMAR_DB_PATH)), LegacyConversion::Outcome::Declined);
        QVERIFY2(texts.value(0).contains(QStringLiteral("Convert it now?")), qPrintable(texts.value(0)));
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("data/data.mdb"))), original);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("data/data-access.mdb"))));
    }

    void aFailedConversionShowsTheToolsMessage()
    {
        QTemporaryDir dir;
        writeAccessFile(dir.path(), QStringLiteral("zakazky"));
        const QByteArray original = bytesOf(dir.filePath(QStringLiteral("data/data.mdb")));
        QStringList texts;
        ModalWatch watch(answer(QMessageBox::Yes, texts));
        QCOMPARE(LegacyConversion::offer(FolderLayout(dir.path()), QStringLiteral(TRELOMAR_DB_PATH)), LegacyConversion::Outcome::Failed);
        QCOMPARE(watch.seen.last(), QStringLiteral("convertFailed"));
        QVERIFY2(texts.last().contains(QStringLiteral("has no table opravenky")), qPrintable(texts.last()));
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("data/data.mdb"))), original);
    }
};

TRELOMAR_TEST(TestLegacyConversion)
#include "TestLegacyConversion.moc"
