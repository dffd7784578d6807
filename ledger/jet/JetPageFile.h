#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

// Where Jet 3 and Jet 4 keep what this program reads itself, rather than trusting the library with it.
struct JetPageFormat {
    qsizetype pageSize = 0;
    // On data and long-value pages: the row count, then the offset of each row.
    qsizetype rowCountOffset = 0;
    // On a table's definition page: the page and row of its usage map.
    qsizetype usageMapOffset = 0;

    static JetPageFormat jet3() { return {2048, 8, 35}; }
    static JetPageFormat jet4() { return {4096, 12, 55}; }
};

// The pages of a Jet file as they were meant to be read: those Access encoded with RC4 decoded. Page 0, the
// header, is never handed out.
class JetPageFile {
public:
    // `pageKey` is the header's key of the page encoding, 0 when pages are stored as they are. Throws
    // JetReadError when the file cannot be read or does not hold whole pages.
    JetPageFile(const QString& path, const JetPageFormat& format, quint32 pageKey);
    ~JetPageFile();
    JetPageFile(const JetPageFile&) = delete;
    JetPageFile& operator=(const JetPageFile&) = delete;

    const JetPageFormat& format() const { return format_; }
    quint32 pageCount() const { return pageCount_; }
    qint64 fileSize() const { return static_cast<qint64>(pageCount_) * format_.pageSize; }
    bool holds(quint32 page) const { return page >= 1 && page < pageCount_; }

    // The bytes of `page`, valid until the next call. Throws JetReadError when the file does not hold it.
    QByteArrayView page(quint32 number);

private:
    JetPageFormat format_;
    quint32 pageKey_;
    int fd_ = -1;
    quint32 pageCount_ = 0;
    quint32 cachedNumber_ = 0;
    QByteArray cached_;
};

// A row of a data or long-value page.
struct JetPageRow {
    QByteArrayView bytes;
    bool deleted = false;
};

// Row `row` of a slotted page, as the page's row table places it; nothing when the table has no such row or
// places it outside the page. A row ends where the one before it starts, the first at the page's end.
std::optional<JetPageRow> RowOfPage(QByteArrayView page, const JetPageFormat& format, int row);
