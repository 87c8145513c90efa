#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <string>

namespace StoreRow {

// What the customer finder looks for, made from the text typed into it:
// the start of a word of a name; or, for a text of digits alone, the start
// of a phone number, the start of an IMEI and a ticket number together; or,
// for "T" and digits, as a scanner types a ticket's barcode, that number alone.
struct CustomerQuery
{
    QByteArray name; // folded as foldName folds a name; empty when none
    QByteArray imei; // the digits typed
    QByteArray phone; // the same without the country code; empty when none
    std::optional<qint64> cislo;

    bool isEmpty() const { return name.isEmpty() && imei.isEmpty() && phone.isEmpty() && !cislo; }

    static CustomerQuery parse(QStringView text);
};

// A name as the finder compares it: small letters without their diacritics,
// each run of other characters one blank. A key (`query` false) ends with a
// blank, so that a query ending with one finds whole words only.
QByteArray foldName(QStringView text, bool query = false);
void appendFoldedName(QByteArrayView utf8, std::string& out, bool query = false);

// The phone numbers in a text, their digits alone, each followed by a blank:
// spaces, dashes, dots and brackets inside a number are left out, any other
// character ends it, and a leading +420 or 00420 is dropped.
QByteArray phoneKey(QStringView text);
void appendPhoneKey(QByteArrayView utf8, std::string& out);

} // namespace StoreRow
