#pragma once

#include "base/FolderLayout.h"

#include <QString>

class QWidget;

// At start, before the data module opens the table: when data/data.mdb is
// an Access database, asks whether to convert it now and converts it with
// ImportProcess, showing a progress window. A refused or failed conversion leaves
// the file as it was, and the data module then reports it as today.
class LegacyConversion
{
public:
    enum class Outcome { NothingToConvert, Declined, Converted, Failed };

    // tool: trelomar-db (empty: the one ImportProcess finds).
    static Outcome offer(const FolderLayout& folder, QString tool = QString(), QWidget* parent = nullptr);
};
