#include "ui/windows/TfSetup.h"

#include "ui_TfSetup.h"

#include "base/AppError.h"
#include "base/ErrorHandler.h"
#include "base/TextList.h"
#include "lang/LangList.h"
#include "lang/LangSlots.h"
#include "session/Workspace.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <optional>

namespace {

// The design client size; the anchored controls keep their distances to the
// right and bottom edges of this size.
constexpr int DesignWidth = 547;
constexpr int DesignHeight = 346;
// A label ends this far left of the box it names.
constexpr int LabelGap = 4;
constexpr int DefaultDayInc = 30;
constexpr int DefaultWarrantyDays = 90;

const QColor WindowColor(137, 159, 248);
const QColor LightColor(225, 232, 253);

// A day count as typed: a signed 32-bit decimal number, blanks before it allowed.
std::optional<int> parseDays(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("\\A *([+-]?[0-9]+)\\z"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = match.captured(1).toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

TfSetup::TfSetup(const Workspace& workspace, QWidget* parent)
    : QDialog(parent)
    , m_workspace(workspace)
    , m_ui(std::make_unique<Ui::TfSetup>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("fSetup"));

    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, WindowColor);
    setPalette(windowPalette);
    setAutoFillBackground(true);
    QPalette memPalette = m_ui->memEdit->palette();
    memPalette.setColor(QPalette::Base, LightColor);
    m_ui->memEdit->setPalette(memPalette);

    // Our own completion selects the listed name it completes to, which the
    // combo's built-in completer does not do.
    m_ui->comboLang->setCompleter(nullptr);
    m_ui->comboLang->setEditText(QStringLiteral("Default"));

    connect(m_ui->groupSeznamy, &QButtonGroup::buttonClicked, this, [this] { guarded([this] { spbtClick(); }); });
    connect(m_ui->spbtSave, &QToolButton::clicked, this, [this] { guarded([this] { spbtSaveClick(); }); });
    connect(m_ui->spbtExit, &QToolButton::clicked, this, [this] { guarded([this] { spbtExitClick(); }); });
    connect(m_ui->comboLang, &QComboBox::currentIndexChanged, this,
        [this](int index) { guarded([this, index] { comboLangChange(index); }); });
    connect(m_ui->comboLang->lineEdit(), &QLineEdit::textEdited, this,
        [this](const QString& text) { guarded([this, &text] { comboLangEdited(text); }); });

    layoutControls();
    connect(&m_workspace, &Workspace::textsChanged, this, [this] { guarded([this] { ApplyLangTexts(); }); });
}

TfSetup::~TfSetup()
{
    qApp->removeEventFilter(this);
}

void TfSetup::ApplyLangTexts()
{
    // Beyond the settings section: every language has it, built in if need be.
    m_ui->lbZaruka->setText(m_workspace.Extra.text(ExtraText::WarrantyDays));
    const QStringList& texts = m_workspace.SettingsTexts;
    if (!sectionHas(texts, SettingsText::Count))
        return;
    setWindowTitle(texts.at(SettingsText::SetupTitle));
    m_ui->spbtFirma->setText(texts.at(SettingsText::FirmaButton));
    m_ui->spbtMesta->setText(texts.at(SettingsText::MestaButton));
    m_ui->spbtMobily->setText(texts.at(SettingsText::MobilyButton));
    m_ui->spbtTisk->setText(texts.at(SettingsText::TiskButton));
    m_ui->spbtSave->setText(texts.at(SettingsText::SaveButton));
    m_ui->spbtExit->setText(texts.at(SettingsText::CloseButton));
    m_ui->lbProdleva->setText(texts.at(SettingsText::DaysLabel));
    m_ui->lbJazyk->setText(texts.at(SettingsText::LanguageLabel));
    layoutControls();
}

void TfSetup::layoutControls()
{
    const int dx = width() - DesignWidth;
    const int dy = height() - DesignHeight;

    m_ui->spbtSave->move(6, 280 + dy);
    m_ui->spbtExit->move(6, 312 + dy);
    m_ui->memEdit->setGeometry(96, 0, 451 + dx, 313 + dy);
    m_ui->comboLang->move(164 + dx, 320 + dy);
    m_ui->edProdleva->move(476 + dx, 320 + dy);
    // Above Save, in the free foot of the button column.
    m_ui->lbZaruka->move(6, 226 + dy);
    m_ui->edZaruka->move(6, 254 + dy);

    // The labels size themselves to their text and grow to the left.
    for (auto [label, box] : { std::pair { m_ui->lbJazyk, static_cast<QWidget*>(m_ui->comboLang) },
             std::pair { m_ui->lbProdleva, static_cast<QWidget*>(m_ui->edProdleva) } }) {
        const int labelWidth = label->sizeHint().width();
        label->setGeometry(box->x() - LabelGap - labelWidth, 325 + dy, labelWidth, label->height());
    }
}

void TfSetup::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void TfSetup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Key preview: this window sees every key before the control with the focus.
    qApp->installEventFilter(this);
    FormShow();
}

void TfSetup::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        qApp->removeEventFilter(this);
    QDialog::hideEvent(event);
}

void TfSetup::FormShow()
{
    // Every step runs even when an earlier one fails; whatever happens, the
    // box and the pressed button end up belonging to the device-type list.
    guarded([this] {
        m_ui->memEdit->clear();
        setMemText(TextList::readText(m_workspace.folder().deviceTypes()));
    });
    guarded([this] { m_ui->edProdleva->setText(QString::number(m_workspace.DayInc)); });
    guarded([this] { m_ui->edZaruka->setText(QString::number(m_workspace.WarrantyDays)); });
    guarded([this] { LoadLang(); });
    guarded([this] { m_ui->spbtMobily->setChecked(true); });
}

void TfSetup::done(int result)
{
    // Every way of closing comes through here: Save, Close, Esc, F2 and the
    // title bar's close box (by way of reject()).
    if (isVisible())
        guarded([this] { FormClose(); });
    QDialog::done(result);
}

void TfSetup::FormClose()
{
    emit closed();
}

bool TfSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (watched == m_ui->comboLang || watched == m_ui->comboLang->lineEdit())
        m_deleting = keyEvent->key() == Qt::Key_Backspace || keyEvent->key() == Qt::Key_Delete
            || keyEvent->matches(QKeySequence::Cut) || keyEvent->matches(QKeySequence::DeleteStartOfWord)
            || keyEvent->matches(QKeySequence::DeleteEndOfWord);

    // The window looks at each press once, where it enters this window.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget && widget->window() == this && isVisible() && m_keyPreview.takes(watched, event))
        guarded([this, keyEvent] { FormKeyDown(keyEvent); });
    // The key is not consumed: the control with the focus gets it as well.
    return false;
}

void TfSetup::keyPressEvent(QKeyEvent* event)
{
    // Esc is handled by FormKeyDown, and Enter has no default button here.
    event->ignore();
}

void TfSetup::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        done(Rejected);
        break;
    case Qt::Key_F2:
        spbtSaveClick();
        setResult(Accepted);
        break;
    default:
        break;
    }
}

QString TfSetup::button2path() const
{
    QString path;
    if (m_ui->spbtMesta->isChecked())
        path = m_workspace.folder().towns();
    if (m_ui->spbtMobily->isChecked())
        path = m_workspace.folder().deviceTypes();
    if (m_ui->spbtTisk->isChecked())
        path = m_workspace.folder().ticketText();
    if (m_ui->spbtFirma->isChecked())
        path = m_workspace.folder().shopAddress();
    return path;
}

void TfSetup::spbtClick()
{
    // Unsaved edits are dropped: the box always shows the file on disk.
    m_ui->memEdit->clear();
    const QString path = button2path();
    if (QFile::exists(path))
        setMemText(TextList::readText(path));
}

void TfSetup::setMemText(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_ui->memEdit->setPlainText(lines);
}

QString TfSetup::memText() const
{
    // The raw text keeps non-breaking spaces; blocks end in paragraph
    // separators and Shift+Enter puts line separators, both line breaks here.
    QString text = m_ui->memEdit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}

int TfSetup::parseDayInc(const QString& text)
{
    return parseDays(text).value_or(DefaultDayInc);
}

int TfSetup::parseWarrantyDays(const QString& text)
{
    const int days = parseDays(text).value_or(DefaultWarrantyDays);
    return days < 0 ? DefaultWarrantyDays : days;
}

void TfSetup::spbtSaveClick()
{
    TextList::writeText(button2path(), memText());
    emit daysChanged(parseDayInc(m_ui->edProdleva->text()));
    emit warrantyDaysChanged(parseWarrantyDays(m_ui->edZaruka->text()));

    const int picked = m_ui->comboLang->currentIndex();
    if (picked >= 0 && picked < LangFiles.size())
        TextList::write(m_workspace.folder().defaultLanguage(), TextList::read(LangFiles.at(picked)));

    done(Accepted);
}

void TfSetup::spbtExitClick()
{
    done(Accepted);
}

void TfSetup::LoadLang()
{
    const QString text = m_ui->comboLang->currentText();
    const LangList list = listLangFiles(m_workspace.folder().languageFolder());
    {
        // Rebuilding is no choice of the user: nothing is applied, the text
        // stays and no entry is selected.
        const QSignalBlocker blocker(m_ui->comboLang);
        m_ui->comboLang->clear();
        LangFiles.clear();
        m_ui->comboLang->addItems(list.names);
        LangFiles = list.paths;
        m_ui->comboLang->setCurrentIndex(-1);
        m_ui->comboLang->setEditText(text);
    }
    for (const QString& path : list.unreadable)
        guarded([&path] { raiseCannotOpen(path); });
}

void TfSetup::comboLangChange(int index)
{
    if (index < 0 || index >= LangFiles.size())
        return;
    emit languageChosen(LangFiles.at(index));
}

void TfSetup::comboLangEdited(const QString& text)
{
    const bool deleting = std::exchange(m_deleting, false);
    const int match = text.isEmpty() || deleting ? -1 : m_ui->comboLang->findText(text, Qt::MatchStartsWith);
    if (match < 0) {
        // No listed name selected: keep what the user typed, apply nothing.
        QLineEdit* edit = m_ui->comboLang->lineEdit();
        const int cursor = edit->cursorPosition();
        {
            const QSignalBlocker blocker(m_ui->comboLang);
            m_ui->comboLang->setCurrentIndex(-1);
            m_ui->comboLang->setEditText(text);
        }
        edit->setCursorPosition(cursor);
        return;
    }
    // Complete to the listed name and select the part the user did not type,
    // so the next key replaces it.
    m_ui->comboLang->setCurrentIndex(match);
    const QString completed = m_ui->comboLang->itemText(match);
    m_ui->comboLang->lineEdit()->setText(completed);
    m_ui->comboLang->lineEdit()->setSelection(completed.size(), int(text.size()) - int(completed.size()));
}
