#include "ui/toolkit/PersonList.h"

#include <QCollator>
#include <QListView>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <numeric>
#include <vector>

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

QCollator FrenchCollator()
{
    return QCollator(QLocale(QLocale::French, QLocale::France));
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
    popupView->setUniformItemSizes(true);
    // The default selection blue carries white text at 3.6:1; this one at 7:1, over the 4.5:1 text needs.
    QPalette selection = popupView->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        selection.setColor(group, QPalette::Highlight, SelectedRowColour);
        selection.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    popupView->setPalette(selection);
    setView(popupView);
    connect(this, &QComboBox::currentIndexChanged, this, &PersonList::raiseUserClick);
}

void PersonList::setEntries(const QList<Entry>& entries)
{
    QStringList texts;
    texts.reserve(entries.size());
    for (const Entry& entry : entries)
        texts.append(entry.text);
    // Sorted through their indexes, so that each key follows its text; equal texts keep their keys' order.
    QList<qsizetype> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    const QCollator collator = FrenchCollator();
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(entries.size());
    for (const QString& text : texts)
        sortKeys.push_back(collator.sortKey(text));
    std::sort(order.begin(), order.end(), [&](qsizetype left, qsizetype right) {
        const int byKey = sortKeys[left].compare(sortKeys[right]);
        if (byKey != 0)
            return byKey < 0;
        if (texts[left] != texts[right])
            return texts[left] < texts[right];
        return entries[left].key < entries[right].key;
    });
    QStringList sorted;
    sorted.reserve(entries.size());
    keys_.clear();
    keys_.reserve(entries.size());
    for (const qsizetype index : order) {
        sorted.append(texts[index]);
        keys_.append(entries[index].key);
    }
    const QSignalBlocker blocker(this);
    clear();
    addItems(sorted);
    // Filling an empty combo box selects the first entry by itself.
    setCurrentIndex(-1);
}

void PersonList::clearEntries()
{
    const QSignalBlocker blocker(this);
    clear();
    keys_.clear();
}

void PersonList::selectIndex(int index)
{
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
    emit dropDown();
    QComboBox::showPopup();
}

void PersonList::raiseUserClick(int index)
{
    if (index >= 0 && !selectingByCode_)
        emit listClick();
}
