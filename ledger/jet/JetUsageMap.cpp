#include "ledger/jet/JetUsageMap.h"

#include "ledger/jet/JetReadError.h"

#include <QtEndian>

namespace {

constexpr char DataPage = 0x01;
constexpr char DefinitionPage = 0x02;
constexpr char UsageMapPage = 0x05;
constexpr char InlineMap = 0x00;
constexpr char PagedMap = 0x01;
// A map in a row: its type, then the first page its bits stand for.
constexpr qsizetype InlineMapHeader = 5;
// A usage-map page: its type and three bytes, then its bits.
constexpr qsizetype MapPageHeader = 4;

// Appends the pages whose bits are set in `bits`, the first bit standing for `first`.
void AddMarkedPages(const JetPageFile& pages, QByteArrayView bits, quint64 first, QList<quint32>& marked)
{
    for (qsizetype byte = 0; byte < bits.size(); ++byte) {
        const auto value = static_cast<unsigned char>(bits[byte]);
        for (int bit = 0; value != 0 && bit < 8; ++bit) {
            if ((value & (1u << bit)) == 0)
                continue;
            const quint64 page = first + static_cast<quint64>(byte) * 8 + static_cast<quint64>(bit);
            if (page > 0xFFFFFFFF || !pages.holds(static_cast<quint32>(page)))
                throw JetReadError(JetReadProblem::PageMapOutsideFile, static_cast<qint64>(page));
            marked.append(static_cast<quint32>(page));
        }
    }
}

} // namespace

QList<quint32> UsageMapPages(JetPageFile& pages, quint32 definitionPage)
{
    const JetPageFormat& format = pages.format();
    const QByteArrayView definition = pages.page(definitionPage);
    if (definition.at(0) != DefinitionPage)
        throw JetReadError(JetReadProblem::TableDefinitionUnreadable);
    const auto mapPlace = qFromLittleEndian<quint32>(definition.data() + format.usageMapOffset);
    if (!pages.holds(mapPlace >> 8))
        throw JetReadError(JetReadProblem::PageMapUnreadable);
    // Usage maps are rows of a data page, page 1 in the files Access writes.
    const QByteArrayView mapRows = pages.page(mapPlace >> 8);
    if (mapRows.at(0) != DataPage)
        throw JetReadError(JetReadProblem::PageMapUnreadable);
    const std::optional<JetPageRow> row = RowOfPage(mapRows, format, static_cast<int>(mapPlace & 0xFF));
    if (!row || row->deleted || row->bytes.size() < InlineMapHeader)
        throw JetReadError(JetReadProblem::PageMapUnreadable);
    // The row lies on a page the next read replaces.
    const QByteArray map = row->bytes.toByteArray();

    QList<quint32> marked;
    if (map.at(0) == InlineMap) {
        AddMarkedPages(pages, QByteArrayView(map).sliced(InlineMapHeader), qFromLittleEndian<quint32>(map.data() + 1),
                       marked);
        return marked;
    }
    if (map.at(0) != PagedMap)
        throw JetReadError(JetReadProblem::PageMapUnreadable);
    const quint64 pagesAMapPage = static_cast<quint64>(format.pageSize - MapPageHeader) * 8;
    for (qsizetype index = 0; 1 + 4 * (index + 1) <= map.size(); ++index) {
        const auto mapPage = qFromLittleEndian<quint32>(map.data() + 1 + 4 * index);
        if (mapPage == 0)
            continue;
        if (!pages.holds(mapPage))
            throw JetReadError(JetReadProblem::PageMapUnreadable);
        const QByteArrayView bits = pages.page(mapPage);
        if (bits.at(0) != UsageMapPage)
            throw JetReadError(JetReadProblem::PageMapUnreadable);
        AddMarkedPages(pages, bits.sliced(MapPageHeader), static_cast<quint64>(index) * pagesAMapPage, marked);
    }
    return marked;
}
