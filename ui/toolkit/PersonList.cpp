#include "ui/toolkit/PersonList.h"

#include <QCollator>
#include <QListView>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// Drops the list below the box, as a drop-down list does, rather than over it as Fusion's popup mode does:
// that mode measures the text of every entry each time the list opens (over half a second at 100,000 names).
class DropBelowStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
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
    auto* style = new DropBelowStyle;
    style->setParent(this);
    setStyle(style);
    auto* popupView = new QListView(this);
    popupView->setUniformItemSizes(true);
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
