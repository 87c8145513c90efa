#include "ui/windows/TfDelete.h"

#include "base/ErrorHandler.h"
#include "lang/LangSlots.h"
#include "session/Workspace.h"
#include "ui/windows/Icons.h"
#include "ui_TfDelete.h"

#include <QIcon>
#include <QKeyEvent>

namespace {

// Both labels keep their right edge here and grow to the left.
constexpr int LabelRight = 241;

void placeRightAligned(QLabel* label)
{
    label->adjustSize();
    label->move(LabelRight - label->width(), label->y());
}

// The letter after the ampersand of a caption: "&ANO - Enter" gives A.
int accelerator(const QString& caption)
{
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
    return mnemonic.isEmpty() ? 0 : mnemonic[0].key();
}

} // namespace

TfDelete::TfDelete(const Workspace& workspace, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_workspace(workspace)
    , m_ui(std::make_unique<Ui::TfDelete>())
{
    m_ui->setupUi(this);
    setWindowIcon(Icons::named(QStringLiteral("trelomar")));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(184, 200, 254));
    pal.setColor(QPalette::Button, QColor(184, 200, 254));
    setPalette(pal);
    m_ui->Image->setPixmap(Icons::named(QStringLiteral("question")).pixmap(32, 32));
    placeLabels();

    connect(m_ui->spbtOK, &QPushButton::clicked, this, [this] { guarded([this] { spbtOKClick(); }); });
    connect(m_ui->spbtCancel, &QPushButton::clicked, this, [this] { guarded([this] { spbtCancelClick(); }); });
}

TfDelete::~TfDelete() = default;

void TfDelete::setDataText(const QString& text)
{
    m_ui->lbData->setText(text);
    placeRightAligned(m_ui->lbData);
}

void TfDelete::spbtOKClick()
{
    accept();
}

void TfDelete::spbtCancelClick()
{
    reject();
}

void TfDelete::FormKeyDown(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        reject();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        accept();
    } else if (!(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        // A button's letter works alone too, as nothing here takes text.
        if (key == accelerator(m_ui->spbtOK->text()))
            m_ui->spbtOK->click();
        else if (key == accelerator(m_ui->spbtCancel->text()))
            m_ui->spbtCancel->click();
    }
}

void TfDelete::FormActivate()
{
    const QStringList& texts = m_workspace.SettingsTexts;
    if (!sectionHas(texts, SettingsText::DeleteCount))
        return;
    setWindowTitle(texts[SettingsText::DeleteTitle]);
    m_ui->lbText1->setText(texts[SettingsText::DeleteQuestion]);
    m_ui->spbtOK->setText(texts[SettingsText::DeleteYes]);
    m_ui->spbtCancel->setText(texts[SettingsText::DeleteNo]);
    placeLabels();
}

void TfDelete::keyPressEvent(QKeyEvent* event)
{
    // The dialog sees every key itself: nothing on it takes the focus.
    guarded([&] { FormKeyDown(event); });
}

bool TfDelete::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(event);
}

void TfDelete::placeLabels()
{
    placeRightAligned(m_ui->lbText1);
    placeRightAligned(m_ui->lbData);
}
