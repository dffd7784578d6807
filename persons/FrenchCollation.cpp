#include "persons/FrenchCollation.h"

#include <QLocale>
#include <limits>
#include <stdexcept>
#include <unicode/ucol.h>

namespace {

// QCollator's own set-up for a case-sensitive collator without numeric mode that does not ignore punctuation.
UCollator* OpenLikeQCollator()
{
    const QByteArray locale = QLocale(QLocale::French, QLocale::France).bcp47Name().replace(u'-', u'_').toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale.constData(), &status);
    if (U_FAILURE(status) || !collator)
        throw std::runtime_error("no French collation");
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        throw std::runtime_error("the French collation refused its settings");
    }
    return collator;
}

} // namespace

void FrenchCollation::Close::operator()(UCollator* collator) const
{
    ucol_close(collator);
}

FrenchCollation::FrenchCollation() : collator_(OpenLikeQCollator()), key_(256) {}

FrenchCollation::~FrenchCollation() = default;

std::basic_string_view<unsigned char> FrenchCollation::sortKey(QStringView text)
{
    // The engine counts in int; a longer text is keyed by its beginning, which still orders it among the others.
    const int length = static_cast<int>(std::min<qsizetype>(text.size(), std::numeric_limits<int>::max() / 4));
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    int size = ucol_getSortKey(collator_.get(), units, length, key_.data(), static_cast<int>(key_.size()));
    if (size > static_cast<int>(key_.size())) {
        key_.resize(static_cast<size_t>(size));
        size = ucol_getSortKey(collator_.get(), units, length, key_.data(), static_cast<int>(key_.size()));
    }
    return {key_.data(), static_cast<size_t>(std::max(size, 0))};
}

int FrenchCollation::compare(QStringView left, QStringView right) const
{
    const auto length = [](QStringView text) {
        return static_cast<int>(std::min<qsizetype>(text.size(), std::numeric_limits<int>::max() / 4));
    };
    return ucol_strcoll(collator_.get(), reinterpret_cast<const UChar*>(left.utf16()), length(left),
                        reinterpret_cast<const UChar*>(right.utf16()), length(right));
}
