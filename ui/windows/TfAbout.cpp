#include "ui/windows/TfAbout.h"

#include "base/ErrorHandler.h"
#include "lang/LangSlots.h"
#include "session/Workspace.h"
#include "ui/windows/Icons.h"
#include "ui_TfAbout.h"

#include <QIcon>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

TfAbout::TfAbout(const Workspace& workspace, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_workspace(workspace)
    , m_ui(std::make_unique<Ui::TfAbout>())
{
    m_ui->setupUi(this);
    setWindowIcon(Icons::named(QStringLiteral("trelomar")));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(137, 159, 248));
    pal.setColor(QPalette::Button, QColor(137, 159, 248));
    setPalette(pal);
    QPalette memo = m_ui->memInfo->palette();
    memo.setColor(QPalette::Base, QColor(225, 232, 253));
    m_ui->memInfo->setPalette(memo);

    // All fourteen lines fit the box, each on a line of its own: a scroll
    // bar would be of no use, as any key closes the box.
    m_ui->memInfo->setLineWrapMode(QTextEdit::NoWrap);
    m_ui->memInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_ui->memInfo->document()->setDocumentMargin(2);
    m_ui->memInfo->setPlainText(InfoLines().join(QLatin1Char('\n')));
    const qreal lineHeight
        = (m_ui->memInfo->height() - 2 * m_ui->memInfo->frameWidth() - 4) / qreal(InfoLines().size());
    QTextCursor all(m_ui->memInfo->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setLineHeight(
        std::min(lineHeight, qreal(m_ui->memInfo->fontMetrics().lineSpacing())), QTextBlockFormat::FixedHeight);
    all.mergeBlockFormat(centred);

    connect(m_ui->spbtOK, &QPushButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
}

TfAbout::~TfAbout() = default;

QStringList TfAbout::InfoLines()
{
    return {
        QStringLiteral("Program je vytvořen pro ukládání a tisk opravenek"),
        QStringLiteral("v servisu mobilních telefonů."),
        QString(),
        QStringLiteral("Od verze 1.5 je rozšířen o záměnu textů, proto je"),
        QStringLiteral("jeho použití univerzálnější."),
        QString(),
        QStringLiteral("Pokud můžete, zašlete mi informaci o firmě, která "),
        QStringLiteral("tento program používá. Jde pouze o soukromou "),
        QStringLiteral("informaci o rozšíření programu a odesílatel nebude"),
        QStringLiteral("obtěžován nevyžádanou poštou."),
        QString(),
        QStringLiteral("Trelomář – program pro servisy mobilních telefonů"),
        QStringLiteral("Kontakt: info@trelomar.cz"),
        QStringLiteral("www.trelomar.cz"),
    };
}

void TfAbout::spbtOKClick()
{
    accept();
}

void TfAbout::FormKeyDown(QKeyEvent* event)
{
    Q_UNUSED(event);
    accept();
}

void TfAbout::FormActivate()
{
    const QStringList& texts = m_workspace.SettingsTexts;
    if (!sectionHas(texts, SettingsText::AboutCount))
        return;
    setWindowTitle(texts[SettingsText::AboutTitle]);
    m_ui->spbtOK->setText(texts[SettingsText::AboutOk]);
}

void TfAbout::keyPressEvent(QKeyEvent* event)
{
    guarded([&] { FormKeyDown(event); });
}

bool TfAbout::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(event);
}
