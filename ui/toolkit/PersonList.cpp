#include "ui/toolkit/PersonList.h"

#include <QEvent>
#include <QInputMethodEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTimer>

namespace {

const QColor SelectedRowColour(0x1A, 0x55, 0x8C);
// Laying out a million rows found takes longer than a key should: the list part lays this many out at once, the
// first right away, the others between the user's keys.
constexpr int FoundRowsLaidOutAtOnce = 20'000;

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

// Text typed to find a person: printable, and no shortcut (Ctrl, Alt, Meta).
bool IsSearchText(const QString& text, Qt::KeyboardModifiers modifiers = {})
{
    if (text.isEmpty() || (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    for (const char32_t c : text.toUcs4())
        if (!QChar::isPrint(c))
            return false;
    return true;
}

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
    // Accented letters composed by an input method are typed text too.
    setAttribute(Qt::WA_InputMethodEnabled);
    popupView->setAttribute(Qt::WA_InputMethodEnabled);
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
    setSearchText(QString());
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
        return searchEvent(watched, event) || QComboBox::eventFilter(watched, event);
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
    return searchEvent(watched, event) || QComboBox::eventFilter(watched, event);
}

void PersonList::paintEvent(QPaintEvent* event)
{
    if (searchText_.isEmpty()) {
        QComboBox::paintEvent(event);
    } else {
        // The list part drops below the face: what was typed stays in sight above the persons found.
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        // The end of what was typed and the count stay readable when the whole does not fit.
        const QRect label = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        option.currentText = fontMetrics().elidedText(searchCaption_, Qt::ElideLeft, label.width());
        option.currentIcon = QIcon();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
    // Raised after the whole window has been drawn, not while it is.
    QTimer::singleShot(0, this, &PersonList::drawn);
}

void PersonList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit chosenWithEnter();
        return;
    }
    // Space opens the list, as on any closed list; a letter also starts a search there.
    if (found_ && event->key() != Qt::Key_Space && IsSearchText(event->text(), event->modifiers())) {
        typeOnList(event->text());
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

void PersonList::inputMethodEvent(QInputMethodEvent* event)
{
    if (found_ && IsSearchText(event->commitString())) {
        typeOnList(event->commitString());
        event->accept();
        return;
    }
    QComboBox::inputMethodEvent(event);
}

void PersonList::typeOnList(const QString& text)
{
    if (!view()->isVisible()) {
        showPopup();
        // An empty list has no list part: nothing to find.
        if (!view()->isVisible())
            return;
    }
    setSearchText(searchText_ + text);
}

bool PersonList::searchEvent(QObject* watched, QEvent* event)
{
    QAbstractItemView* list = view();
    if (!found_)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        // A key the list part leaves goes on to the frame around it: seen once, on the list part.
        if (watched != list)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Backspace && !searchText_.isEmpty()) {
            const qsizetype last = searchText_.size() - (searchText_.back().isLowSurrogate() ? 2 : 1);
            setSearchText(searchText_.left(std::max<qsizetype>(last, 0)));
            return true;
        }
        if ((key->key() != Qt::Key_Space || !searchText_.isEmpty()) && IsSearchText(key->text(), key->modifiers())) {
            typeOnList(key->text());
            return true;
        }
        return false;
    }
    case QEvent::InputMethod: {
        const auto* input = static_cast<QInputMethodEvent*>(event);
        if (watched != list || !IsSearchText(input->commitString()))
            return false;
        typeOnList(input->commitString());
        return true;
    }
    case QEvent::ShortcutOverride: {
        // The combo box would choose the row of the found rows as if it were an entry.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (searchText_.isEmpty() || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return false;
        if (list->currentIndex().isValid())
            pickFound(list->currentIndex());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (searchText_.isEmpty() || (watched != list && watched != list->viewport()))
            return false;
        if (const QModelIndex at = list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()); at.isValid())
            pickFound(at);
        return true;
    case QEvent::Hide:
        // The list part closed without hidePopup (the window went to the back): every entry comes back.
        if (watched == list->parentWidget())
            setSearchText(QString());
        return false;
    default:
        return false;
    }
}

void PersonList::setSearchText(const QString& text)
{
    if (text == searchText_ || !found_)
        return;
    const bool wasSearching = !searchText_.isEmpty();
    searchText_ = text;
    emit searchTextChanged(text);
    if (text.isEmpty()) {
        showFound(false);
    } else {
        if (!wasSearching)
            showFound(true);
        // Enter picks the person found first; the arrows move from there.
        view()->setCurrentIndex(found_->index(0, 0));
    }
    update();
}

void PersonList::showFound(bool found)
{
    QAbstractItemView* list = view();
    if (found) {
        entriesSelection_ = list->selectionModel();
        if (auto* rows = qobject_cast<QListView*>(list)) {
            rows->setLayoutMode(QListView::Batched);
            rows->setBatchSize(FoundRowsLaidOutAtOnce);
        }
        list->setModel(found_);
        return;
    }
    // Every entry laid out at once: the entry shown, anywhere in the list, is scrolled to.
    if (auto* rows = qobject_cast<QListView*>(list))
        rows->setLayoutMode(QListView::SinglePass);
    // Each model the view is given comes with a selection of its own, which it does not delete.
    QItemSelectionModel* foundSelection = list->selectionModel();
    list->setModel(model());
    QItemSelectionModel* made = list->selectionModel();
    list->setSelectionModel(entriesSelection_);
    delete made;
    delete foundSelection;
    entriesSelection_ = nullptr;
    list->setAccessibleName(QString());
    list->setAccessibleDescription(QString());
    const QModelIndex shown = model()->index(currentIndex(), modelColumn(), rootModelIndex());
    list->setCurrentIndex(shown);
    list->scrollTo(shown);
}

void PersonList::pickFound(const QModelIndex& found)
{
    const QVariant entry = found.data(FoundEntryRole);
    hidePopup();
    if (!entry.isValid() || entry.toInt() < 0 || entry.toInt() >= count())
        return;
    // As a pick in the list part: a click when the selection changes.
    setCurrentIndex(entry.toInt());
}

void PersonList::showSearchOutcome(const QString& caption, const QString& help)
{
    searchCaption_ = caption;
    view()->setAccessibleName(caption);
    view()->setAccessibleDescription(help);
    update();
}
