#include "ui/toolkit/PersonList.h"

#include <QEvent>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QTimer>

namespace {

const QColor SelectedRowColour(0x1A, 0x55, 0x8C);

// The list as drawn. It drops below the box, as a drop-down list does, rather than over it as Fusion's popup
// mode does: that mode measures the text of every entry each time the list opens (over half a second at 100,000
// names). Its closed face is flat in the face colour, like the notes box beside it, where Fusion shades it.
class PersonListStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
        if (control != CC_ComboBox || !combo) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        painter->save();
        painter->fillRect(option->rect, option->palette.button());
        painter->setPen(option->palette.color(QPalette::Dark));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        QStyleOption arrow(*option);
        arrow.rect = subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
        drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
        if (option->state & State_HasFocus) {
            // Two pixels of the dark selection blue: well over 3:1 against the light yellow.
            painter->setPen(QPen(option->palette.color(QPalette::Highlight).darker(150), 2));
            painter->drawRect(option->rect.adjusted(1, 1, -1, -1));
        }
        painter->restore();
    }
};

} // namespace

PersonList::PersonList(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    // The default policy measures every entry at the first show: seconds at 100,000 names.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The style first: the popup takes its scroll bar policy from the style when the view is set, and the
    // popup mode of the default style has none, which hid that more persons exist than rows fit.
    auto* style = new PersonListStyle;
    style->setParent(this);
    setStyle(style);
    auto* popupView = new QListView(this);
    // Every row as high as the first: a million rows are not measured one by one.
    popupView->setUniformItemSizes(true);
    // The default selection blue carries white text at 3.6:1; this one at 7:1, over the 4.5:1 text needs.
    QPalette selection = popupView->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        selection.setColor(group, QPalette::Highlight, SelectedRowColour);
        selection.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    popupView->setPalette(selection);
    setView(popupView);
    // What the user does in the list part goes through here first; the view's own filters come after.
    for (QObject* part : {static_cast<QObject*>(popupView->parentWidget()), static_cast<QObject*>(popupView),
                          static_cast<QObject*>(popupView->viewport())})
        part->installEventFilter(this);
    connect(this, &QComboBox::currentIndexChanged, this, &PersonList::raiseUserClick);
}

void PersonList::setEntries(QAbstractItemModel* entries)
{
    {
        const QSignalBlocker blocker(this);
        // The model QComboBox makes for itself would hold an item object per name: it goes now.
        setModel(entries);
        setCurrentIndex(-1);
    }
    connect(entries, &QAbstractItemModel::modelAboutToBeReset, this, &PersonList::entriesChanging);
    connect(entries, &QAbstractItemModel::rowsAboutToBeInserted, this, &PersonList::entriesChanging);
    connect(entries, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        entriesChanging();
        selectedRemoved_ = selectedBeforeChange_ >= first && selectedBeforeChange_ <= last;
    });
    connect(entries, &QAbstractItemModel::modelReset, this, &PersonList::entriesChanged);
    connect(entries, &QAbstractItemModel::rowsInserted, this, &PersonList::entriesChanged);
    connect(entries, &QAbstractItemModel::rowsRemoved, this, &PersonList::entriesChanged);
}

void PersonList::entriesChanging()
{
    signalsBlockedBeforeChange_ = blockSignals(true);
    selectedBeforeChange_ = currentIndex();
    selectedRemoved_ = false;
}

void PersonList::entriesChanged()
{
    // The combo box selects the first entry of a list that had none selected, and a neighbour of one removed.
    if (selectedBeforeChange_ < 0 || selectedRemoved_ || !model()->hasIndex(currentIndex(), 0))
        setCurrentIndex(-1);
    blockSignals(signalsBlockedBeforeChange_);
}

QString PersonList::entryAt(int index)
{
    if (index >= count())
        requireEveryEntry();
    return itemText(index);
}

QByteArray PersonList::keyAt(int index)
{
    if (index >= count())
        requireEveryEntry();
    return itemData(index, Qt::UserRole).toByteArray();
}

void PersonList::selectIndex(int index)
{
    if (index >= count())
        requireEveryEntry();
    if (index < 0 || index >= count()) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(-1);
        return;
    }
    {
        const QScopedValueRollback<bool> byCode(selectingByCode_, true);
        setCurrentIndex(index);
    }
    emit listClick();
}

void PersonList::showPopup()
{
    requireEveryEntry();
    QComboBox::showPopup();
    if (!view()->isVisible()) {
        // Nothing opened (an empty list): nothing to draw first.
        emit dropDown();
        return;
    }
    dropDownPending_ = true;
}

void PersonList::hidePopup()
{
    // Every choice in the list part closes it first: the drop-down event comes before the choice.
    raisePendingDropDown();
    QComboBox::hidePopup();
}

void PersonList::raisePendingDropDown()
{
    if (!dropDownPending_)
        return;
    dropDownPending_ = false;
    emit dropDown();
}

bool PersonList::eventFilter(QObject* watched, QEvent* event)
{
    if (!dropDownPending_)
        return QComboBox::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        // Raised once this paint has been put on the screen, which ends the event being handled now.
        if (watched == view()->viewport())
            QTimer::singleShot(0, this, &PersonList::raisePendingDropDown);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        raisePendingDropDown();
        // A message box shown by the handler closed the list part: what the user did was meant for a list
        // that is no longer open.
        if (!view()->isVisible())
            return true;
        break;
    default:
        break;
    }
    return QComboBox::eventFilter(watched, event);
}

void PersonList::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    // Raised after the whole window has been drawn, not while it is.
    QTimer::singleShot(0, this, &PersonList::drawn);
}

void PersonList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit chosenWithEnter();
        return;
    }
    // Moving through the closed list needs every entry in place.
    requireEveryEntry();
    const QScopedValueRollback<bool> browsing(browsingClosedList_, true);
    QComboBox::keyPressEvent(event);
}

void PersonList::wheelEvent(QWheelEvent* event)
{
    requireEveryEntry();
    const QScopedValueRollback<bool> browsing(browsingClosedList_, true);
    QComboBox::wheelEvent(event);
}

void PersonList::raiseUserClick(int index)
{
    if (index >= 0 && !selectingByCode_)
        emit listClick();
}
