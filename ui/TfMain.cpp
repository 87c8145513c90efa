#include "ui/TfMain.h"

#include "app/ErrorHandler.h"
#include "app/IniFile.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QShowEvent>

TfMain* fMain = nullptr;

namespace {
const QString IniSection = QStringLiteral("Program");
}

TfMain::TfMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Trelomář  ver. 1.5"));
    setFixedWidth(600);
    setMinimumHeight(400);
    setMaximumHeight(QWIDGETSIZE_MAX);
    guarded([this] { FormCreate(); });
}

TfMain::~TfMain()
{
    guarded([this] { FormDestroy(); });
}

void TfMain::EnsureFile(const QString& path)
{
    if (QFile::exists(path))
        return;
    QFile file(path);
    // A failure is left to the windows that read the file: they report it.
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

void TfMain::FormCreate()
{
    AppDir = QDir::currentPath();
    VersionText = QStringLiteral("ver. 1.5");
    const QString base = AppDir == QLatin1String("/") ? QString() : AppDir;
    PathMesta = base + QStringLiteral("/data/mesta.txt");
    PathMobil = base + QStringLiteral("/data/mobil.txt");
    PathTisk = base + QStringLiteral("/data/tisk.txt");
    PathFirma = base + QStringLiteral("/data/firma.txt");
    PathDefaultLng = base + QStringLiteral("/lang/default.lng");
    PathIni = base + QStringLiteral("/trelomar.ini");

    QDir().mkpath(base + QStringLiteral("/data"));
    EnsureFile(PathMesta);
    EnsureFile(PathMobil);
    EnsureFile(PathTisk);
    EnsureFile(PathFirma);

    MainTexts.clear();
    EditTexts.clear();
    SettingsTexts.clear();
    PrintTexts.clear();

    const IniFile ini(PathIni);
    move(ini.readInteger(IniSection, QStringLiteral("Left"), 100), ini.readInteger(IniSection, QStringLiteral("Top"), 100));
    resize(600, std::max(400, ini.readInteger(IniSection, QStringLiteral("Height"), 450)));
    DayInc = ini.readInteger(IniSection, QStringLiteral("DayInc"), 30);
}

void TfMain::FormDestroy()
{
    MainTexts.clear();
    EditTexts.clear();
    SettingsTexts.clear();
    PrintTexts.clear();

    IniFile ini(PathIni);
    ini.writeInteger(IniSection, QStringLiteral("Left"), pos().x());
    ini.writeInteger(IniSection, QStringLiteral("Top"), pos().y());
    ini.writeInteger(IniSection, QStringLiteral("Height"), height());
    ini.writeInteger(IniSection, QStringLiteral("DayInc"), DayInc);
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    guarded([this] { FormShow(); });
}

void TfMain::FormShow()
{
    // Start-up work of the other windows attaches here: the editor's lists,
    // then the default language.
}

void TfMain::LoadCombo()
{
}

void TfMain::ApplyLang(const QString& FileName)
{
    Q_UNUSED(FileName);
}
