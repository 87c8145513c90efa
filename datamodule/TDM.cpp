#include "datamodule/TDM.h"

#include "base/ErrorHandler.h"
#include "datamodule/TDataSource.h"
#include "store/TicketStore.h"

TDM::TDM(const FolderLayout& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    setObjectName(QStringLiteral("DM"));
    ADOTable = new TicketStore(this);
    ADOTable->setObjectName(QStringLiteral("ADOTable"));
    DataSource = new TDataSource(ADOTable, this);

    using namespace TicketRecord;
    ADOTablecislo = ADOTable->Fields(cislo);
    ADOTableprijato = ADOTable->Fields(prijato);
    ADOTablevydej = ADOTable->Fields(vydej);
    ADOTablejmeno = ADOTable->Fields(jmeno);
    ADOTableadresa = ADOTable->Fields(adresa);
    ADOTablemesto = ADOTable->Fields(mesto);
    ADOTabletelefon = ADOTable->Fields(telefon);
    ADOTableIMEI = ADOTable->Fields(IMEI);
    ADOTablecena = ADOTable->Fields(cena);
    ADOTabletel = ADOTable->Fields(tel);
    ADOTabletechnik = ADOTable->Fields(technik);
    ADOTabledruh_opravy = ADOTable->Fields(druh_opravy);
    ADOTableadresa_mesto = ADOTable->Fields(adresa_mesto);
    ADOTablekompletnost = ADOTable->Fields(kompletnost);
    ADOTablevada = ADOTable->Fields(vada);

    ADOTable->setFiltered(true);
    ADOTable->setOnFilterRecord([this](TicketStore& ds, bool& accept) { ADOTableFilterRecord(ds, accept); });
    // What ADOTableFilterRecord decides, answered from an index of the IMEIs at each keystroke.
    ADOTable->setFilterPrefix(TicketRecord::IMEI, [this] { return imeiPrefix(); });
    ADOTable->setOnCalcFields([this](TicketStore& ds) { ADOTableCalcFields(ds); });
    ADOTable->setAfterPost([this](TicketStore& ds) { ADOTableAfterPost(ds); });

    guarded([this] { DataModuleCreate(); });
}

TDM::~TDM()
{
    guarded([this] { ADOTable->Close(); });
}

void TDM::DataModuleCreate()
{
    // A shop with several counters names its server; otherwise the folder's own file.
    ADOTable->setConnectionString(m_folder.storeConnection());
    ADOTable->setActive(true);
}

void TDM::ADOTableAfterPost(TicketStore& dataSet)
{
    dataSet.setSort(QStringLiteral("cislo ASC"));
}

void TDM::ADOTableCalcFields(TicketStore& dataSet)
{
    Q_UNUSED(dataSet);
    ADOTableadresa_mesto->setAsString(ADOTableadresa->AsString() + QStringLiteral(",  ") + ADOTablemesto->AsString());
}

void TDM::ADOTableFilterRecord(TicketStore& dataSet, bool& Accept)
{
    Q_UNUSED(dataSet);
    // Runs for every ticket at each search keystroke: a view, not a copy.
    const QStringView imei = ADOTableIMEI->AsStringView();
    const QString prefix = imeiPrefix();
    if (imei.isEmpty() || prefix.isEmpty())
        return;
    Accept = imei.startsWith(prefix, Qt::CaseSensitive);
}

QString TDM::imeiPrefix() const
{
    // "T" and a number is a ticket scanned or typed into the box, no IMEI.
    return FindText.startsWith(u'T', Qt::CaseInsensitive) ? QString() : FindText;
}
