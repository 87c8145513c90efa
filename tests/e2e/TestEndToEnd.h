#pragma once

// What the end-to-end tests share: the program's window titles, a working
// folder with its store, the printer queue, and the session each test brings up.

#include "tests/e2e/XSession.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

inline const QString MainTitle = QStringLiteral("Trelomář ver. 1.5");
inline const QString EditorTitle = QStringLiteral("Přidání opravenky");
inline const QString SetupTitle = QStringLiteral("Nastavení programu");
inline const QString ErrorBoxTitle = QStringLiteral("Trelomář");
inline const QString DeleteTitle = QStringLiteral("Smazání záznamu");
inline const QString StatusTitle = QStringLiteral("Stav opravy");
inline const QString HandoverTitle = QStringLiteral("Výdej opravy");
inline const QString ChangeTitle = QStringLiteral("Úprava opravenky");
inline const QString FinderTitle = QStringLiteral("Hledat zákazníka");
inline constexpr int Timeout = 10000;

// Runs SQL on the store of a working folder; for the rows of a query, each
// row's columns joined by "|".
QStringList sqlOn(const QString& folder, const QString& statement);

// A working folder as a shop has it: an empty store, Czech as the language.
class Workspace
{
public:
    enum class Store { Empty, None };
    explicit Workspace(Store store = Store::Empty)
    {
        if (store == Store::None) {
            m_ready = copyLanguage();
            return;
        }
        QProcess init;
        init.start(qEnvironmentVariable("TRELOMAR_DB_TOOL"), { QStringLiteral("init"), m_dir.path() });
        m_ready = init.waitForFinished() && init.exitCode() == 0 && copyLanguage();
    }
    bool copyLanguage()
    {
        const QString lang = qEnvironmentVariable("TRELOMAR_SOURCE_DIR") + QStringLiteral("/resources/lang/cs.lng");
        return QDir(m_dir.path()).mkpath(QStringLiteral("lang"))
            && QFile::copy(lang, m_dir.path() + QStringLiteral("/lang/default.lng"));
    }
    bool ready() const { return m_ready; }
    QString path() const { return m_dir.path(); }

    QStringList sql(const QString& statement) { return sqlOn(m_dir.path(), statement); }

    void addTicket(int number, const QString& name, const QString& imei)
    {
        sql(QStringLiteral("INSERT INTO opravenky (cislo, jmeno, IMEI) VALUES (%1, '%2', '%3')")
                .arg(number)
                .arg(name, imei));
    }

    QStringList names() { return sql(QStringLiteral("SELECT jmeno FROM opravenky ORDER BY cislo")); }

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
};

// Jobs of the test printer that the print server has finished, and those it has not.
int completedJobs();
int pendingJobs();
bool defaultPrinterIsTestPrinter();
// A counter's working folder whose store is the shop's server.
bool useServer(const Workspace& work, const QString& url);

// Brings up the session or gives up: under CI a missing X server fails the
// run, elsewhere the test skips with the reason.
#define START_SESSION(x)                                                                                              \
    XSession x;                                                                                                        \
    if (!x.failure().isEmpty()) {                                                                                      \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                                                       \
            QFAIL(qPrintable(x.failure()));                                                                            \
        QSKIP(qPrintable(x.failure()));                                                                                \
    }

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void f7PrintsOneSheetAndEscStoresNothing();
    void f7WithoutPrinterSaysSoOnce();
    void f2StoresCzechNameOnce();
    void searchBoxKeysAndFocusAfterDialogs();
    void accessFileConvertedAtStart();
    void twoCountersOnOneServer();
    void installedProgramInUserFolder();
    void countersThroughServerRestart();
    void statusHandoverAndListsByKeys();
    void scanAndFinderByKeys();
    void printedBarcodeOpensTicket();
};
