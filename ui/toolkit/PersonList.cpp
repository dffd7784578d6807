#include "ui/toolkit/PersonList.h"

#include "ui/toolkit/FailureGuard.h"
#include "ui/toolkit/GatheredNames.h"
#include "ui/toolkit/PersonListModel.h"

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
#include <chrono>

namespace {

const QColor SelectedRowColour(0x1A, 0x55, 0x8C);
constexpr std::chrono::milliseconds StartSortingAtTheLatest{500};

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

PersonList::PersonList(QWidget* parent) : QComboBox(parent), model_(new PersonListModel(this))
{
    // The model first: the one QComboBox makes for itself would hold an item object per name, and goes now.
    setModel(model_);
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

PersonList::~PersonList()
{
    abandonSorting();
}

void PersonList::setEntries(const SortedNames::NameSource& source)
{
    abandonSorting();
    auto gathered = std::make_shared<GatheredNames>();
    source([&gathered](QByteArrayView stored) { gathered->add(stored); });
    SortedNames shown;
    if (gathered->size() < SortAfterShowingFrom) {
        shown = SortedNames::fromSource(gathered->source());
    } else {
        // Computing a million sort keys takes a second: the window shows the first person meanwhile.
        const QByteArrayView first = gathered->at(gathered->firstInOrder());
        shown = SortedNames::fromSource([first](const std::function<void(QByteArrayView)>& add) { add(first); });
        sortingCount_ = gathered->size();
        auto abandoned = std::make_shared<std::atomic<bool>>(false);
        sortingAbandoned_ = abandoned;
        unstartedSort_ = [this, gathered, abandoned] {
            SortedNames sorted = SortedNames::fromSource([&](const std::function<void(QByteArrayView)>& add) {
                for (qsizetype index = 0; index < gathered->size() && !abandoned->load(); ++index)
                    add(gathered->at(index));
            });
            if (!abandoned->load())
                QMetaObject::invokeMethod(
                    this, [this] { RunGuarded([this] { finishSorting(); }); }, Qt::QueuedConnection);
            return sorted;
        };
        // Once drawn, or soon in any case: a list that is hidden or covered may not be drawn for long.
        QTimer::singleShot(StartSortingAtTheLatest, this, &PersonList::startSorting);
    }
    const QSignalBlocker blocker(this);
    model_->assign(std::move(shown));
    // Filling an empty combo box selects the first entry by itself.
    setCurrentIndex(-1);
}

void PersonList::setEntries(const QList<QByteArray>& keys)
{
    setEntries([&keys](const std::function<void(QByteArrayView)>& add) {
        for (const QByteArray& key : keys)
            add(key);
    });
}

void PersonList::startSorting()
{
    if (!unstartedSort_)
        return;
    sorting_ = std::async(std::launch::async, std::move(unstartedSort_));
    unstartedSort_ = nullptr;
}

void PersonList::finishSorting()
{
    startSorting();
    if (!sorting_.valid())
        return;
    SortedNames sorted = sorting_.get();
    sorting_ = {};
    sortingAbandoned_.reset();
    sortingCount_ = 0;
    const QSignalBlocker blocker(this);
    const int selected = currentIndex();
    model_->completeWith(std::move(sorted));
    // The combo box selects the first entry by itself when rows come into a list with none selected.
    if (currentIndex() != selected)
        setCurrentIndex(selected);
}

void PersonList::abandonSorting()
{
    unstartedSort_ = nullptr;
    if (sorting_.valid()) {
        sortingAbandoned_->store(true);
        sorting_.wait();
    }
    sorting_ = {};
    sortingAbandoned_.reset();
    sortingCount_ = 0;
}

void PersonList::clearEntries()
{
    abandonSorting();
    const QSignalBlocker blocker(this);
    model_->clear();
}

int PersonList::insertEntry(QByteArrayView key)
{
    finishSorting();
    const QSignalBlocker blocker(this);
    const bool wasEmpty = count() == 0;
    const int place = model_->insert(key);
    // The first entry of an empty list is selected by the combo box itself.
    if (wasEmpty)
        setCurrentIndex(-1);
    return place;
}

void PersonList::removeEntries(QByteArrayView key)
{
    finishSorting();
    const QSignalBlocker blocker(this);
    const int selected = currentIndex();
    const bool selectedGoes = selected >= 0 && model_->names().stored(selected) == key;
    model_->removeAll(key);
    // The combo box would select a neighbour by itself.
    if (selectedGoes)
        setCurrentIndex(-1);
}

QString PersonList::entryAt(int index)
{
    if (index >= count())
        finishSorting();
    return itemText(index);
}

QByteArray PersonList::keyAt(int index)
{
    if (index >= count())
        finishSorting();
    if (index < 0 || index >= count())
        return {};
    return model_->names().stored(index).toByteArray();
}

int PersonList::indexOfKey(QByteArrayView key)
{
    finishSorting();
    return static_cast<int>(model_->names().indexOf(key));
}

int PersonList::indexOfLookAlike(QByteArrayView key)
{
    finishSorting();
    return static_cast<int>(model_->names().indexOfLookAlike(key));
}

void PersonList::selectIndex(int index)
{
    if (index >= count())
        finishSorting();
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
    finishSorting();
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
    // Started after the whole window has been drawn, not while it is.
    if (unstartedSort_)
        QTimer::singleShot(0, this, &PersonList::startSorting);
}

void PersonList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit chosenWithEnter();
        return;
    }
    // Moving through the closed list needs every entry in place.
    finishSorting();
    const QScopedValueRollback<bool> browsing(browsingClosedList_, true);
    QComboBox::keyPressEvent(event);
}

void PersonList::wheelEvent(QWheelEvent* event)
{
    finishSorting();
    const QScopedValueRollback<bool> browsing(browsingClosedList_, true);
    QComboBox::wheelEvent(event);
}

void PersonList::raiseUserClick(int index)
{
    if (index >= 0 && !selectingByCode_)
        emit listClick();
}
