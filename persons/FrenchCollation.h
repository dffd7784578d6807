#pragma once

#include <QStringView>
#include <memory>
#include <vector>

struct UCollator;

// The French (France) collation of QCollator, as sort keys made of bytes: comparing two keys byte for byte
// orders their texts as QCollator::compare does, and a key is computed once where QCollator would compare
// each pair again. The keys are those of QCollator's own collator (same locale, same settings), which keeps
// no bytes of its keys in reach.
class FrenchCollation {
public:
    FrenchCollation();
    ~FrenchCollation();
    FrenchCollation(const FrenchCollation&) = delete;
    FrenchCollation& operator=(const FrenchCollation&) = delete;

    // The key of `text`, valid until the next call; ends with a zero byte, and holds no other.
    std::basic_string_view<unsigned char> sortKey(QStringView text);
    // How the keys of the two texts compare (<0, 0, >0), without making them: one pass that stops at the first
    // difference.
    int compare(QStringView left, QStringView right) const;

private:
    struct Close {
        void operator()(UCollator* collator) const;
    };
    std::unique_ptr<UCollator, Close> collator_;
    std::vector<unsigned char> key_;
};
