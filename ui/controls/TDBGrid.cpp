#include "ui/controls/TDBGrid.h"

#include "ui/controls/TicketGridModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws each cell as usual, then the horizontal line under it; the view's
// own grid (which would add vertical lines) is off.
class RowLineDelegate : public QStyledItemDelegate
{
public:
    explicit RowLineDelegate(TDBGrid* grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        opt.state &= ~QStyle::State_HasFocus;
        if (!m_grid->hasFocus() && (opt.state & QStyle::State_Selected)) {
            // The style has already filled the selected row: cover it.
            opt.state &= ~QStyle::State_Selected;
            painter->fillRect(option.rect, option.palette.brush(QPalette::Base));
        }
        QStyledItemDelegate::paint(painter, opt, index);
        const QColor line
            = QColor::fromRgb(m_grid->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, m_grid));
        painter->save();
        painter->setPen(line);
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }

private:
    TDBGrid* m_grid;
};

} // namespace

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
{
    setItemDelegate(new RowLineDelegate(this));
    setShowGrid(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);

    verticalHeader()->hide();
    QHeaderView* titles = horizontalHeader();
    titles->setSectionsMovable(false);
    titles->setSectionsClickable(false);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(225, 232, 253); color: black; padding: 1px 3px;"
        " border: none; border-right: 1px solid rgb(160, 170, 200); border-bottom: 1px solid rgb(160, 170, 200); }"));
}

void TDBGrid::applyColumnLayout()
{
    QHeaderView* titles = horizontalHeader();
    titles->setMinimumSectionSize(8);
    for (int column = 0; column < TicketGridModel::ColumnCount; ++column) {
        titles->setSectionResizeMode(column, QHeaderView::Fixed);
        titles->resizeSection(column, TicketGridModel::columnWidth(column));
    }
    // One height for every row: the view never measures rows one by one.
    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(8);
    rows->setDefaultSectionSize(fontMetrics().height() + 5);
    rows->setSectionResizeMode(QHeaderView::Fixed);
}

void TDBGrid::keyboardSearch(const QString& search)
{
    Q_UNUSED(search);
}

bool TDBGrid::focusNextPrevChild(bool next)
{
    // Tab moves between cells (wrapping at the ends) and never hands the
    // focus on, also on an empty table.
    if (tabKeyNavigation() && model() && model()->rowCount() > 0) {
        QKeyEvent tab(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab, Qt::NoModifier);
        keyPressEvent(&tab);
    }
    return true;
}

void TDBGrid::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TDBGrid::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClickedAnywhere();
}
