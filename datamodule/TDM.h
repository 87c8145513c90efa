#pragma once

#include "base/FolderLayout.h"

#include <QObject>
#include <QString>

class TicketStore;
class TDataSource;
class TField;

// The data module: the ticket table, its data source and field objects, the
// IMEI search text and the table's handlers.
class TDM : public QObject
{
    Q_OBJECT

public:
    // Opens the store that `folder` names (runs DataModuleCreate).
    explicit TDM(const FolderLayout& folder, QObject* parent = nullptr);
    ~TDM() override;                         // closes the table, dropping a pending row

    TicketStore* ADOTable;
    TDataSource* DataSource;
    TField* ADOTablecislo;
    TField* ADOTableprijato;
    TField* ADOTablevydej;
    TField* ADOTablejmeno;
    TField* ADOTableadresa;
    TField* ADOTablemesto;
    TField* ADOTabletelefon;
    TField* ADOTableIMEI;
    TField* ADOTablecena;
    TField* ADOTabletel;
    TField* ADOTabletechnik;
    TField* ADOTabledruh_opravy;
    TField* ADOTableadresa_mesto;
    TField* ADOTablekompletnost;
    TField* ADOTablevada;

    QString FindText;
    // What the search filters the IMEIs by: FindText, unless it starts with "T".
    QString imeiPrefix() const;

    void DataModuleCreate();
    void ADOTableAfterPost(TicketStore& dataSet);
    void ADOTableCalcFields(TicketStore& dataSet);
    void ADOTableFilterRecord(TicketStore& dataSet, bool& Accept);

private:
    FolderLayout m_folder;
};
