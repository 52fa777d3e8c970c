#include "platform/flexstore.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr size_t kLargestBlock = size_t(4) << 20;
// Left-behind bytes are reclaimed when they pass this and half the blocks.
constexpr size_t kCompactAfter = size_t(8) << 20;

size_t VarintSize(size_t v)
{
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char* PutVarint(char* p, size_t v)
{
    while (v >= 0x80) {
        *p++ = char((v & 0x7f) | 0x80);
        v >>= 7;
    }
    *p++ = char(v);
    return p;
}

size_t GetVarint(const unsigned char*& p)
{
    size_t v = 0;
    int shift = 0;
    while (*p & 0x80) {
        v |= size_t(*p++ & 0x7f) << shift;
        shift += 7;
    }
    v |= size_t(*p++) << shift;
    return v;
}

// UTF-8 length of UTF-16 text; a lone surrogate becomes U+FFFD.
size_t Utf8Length(QStringView s)
{
    size_t n = 0;
    const qsizetype len = s.size();
    for (qsizetype i = 0; i < len; ++i) {
        const char16_t u = s[i].unicode();
        if (u < 0x80)
            n += 1;
        else if (u < 0x800)
            n += 2;
        else if (QChar::isHighSurrogate(u) && i + 1 < len && QChar::isLowSurrogate(s[i + 1].unicode())) {
            n += 4;
            ++i;
        } else
            n += 3;
    }
    return n;
}

char* PutUtf8(char* p, QStringView s)
{
    const qsizetype len = s.size();
    for (qsizetype i = 0; i < len; ++i) {
        char32_t u = s[i].unicode();
        if (u < 0x80) {
            *p++ = char(u);
            continue;
        }
        if (u < 0x800) {
            *p++ = char(0xc0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3f));
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < len && QChar::isLowSurrogate(s[i + 1].unicode())) {
            u = QChar::surrogateToUcs4(char16_t(u), s[++i].unicode());
            *p++ = char(0xf0 | (u >> 18));
            *p++ = char(0x80 | ((u >> 12) & 0x3f));
            *p++ = char(0x80 | ((u >> 6) & 0x3f));
            *p++ = char(0x80 | (u & 0x3f));
            continue;
        }
        if (QChar::isSurrogate(u))
            u = 0xfffd;
        *p++ = char(0xe0 | (u >> 12));
        *p++ = char(0x80 | ((u >> 6) & 0x3f));
        *p++ = char(0x80 | (u & 0x3f));
    }
    return p;
}

} // namespace

FlexTextStore::FlexTextStore(int cols)
    : m_cols(std::max(cols, 0))
{
}

FlexTextStore::~FlexTextStore() = default;
FlexTextStore::FlexTextStore(FlexTextStore&&) noexcept = default;
FlexTextStore& FlexTextStore::operator=(FlexTextStore&&) noexcept = default;

// ---------------------------------------------------------------- blocks

char* FlexTextStore::reserve(size_t bytes)
{
    if (!m_blocks.empty()) {
        Block& b = m_blocks.back();
        if (b.size - b.used >= bytes)
            return b.data.get() + b.used;
    }
    // A new block; the part of the row already built moves along, so a run
    // never straddles two blocks.
    const size_t partial = (m_building && !m_blocks.empty()) ? m_blocks.back().used - m_runStart : 0;
    Block nb;
    nb.size = uint32_t(std::max(m_nextBlock, partial + bytes));
    nb.data.reset(new char[nb.size]);
    if (partial) {
        Block& old = m_blocks.back();
        std::memcpy(nb.data.get(), old.data.get() + m_runStart, partial);
        old.used = m_runStart;
    }
    nb.used = uint32_t(partial);
    m_runStart = 0;
    m_nextBlock = std::min(m_nextBlock * 2, kLargestBlock);
    m_blocks.push_back(std::move(nb));
    return m_blocks.back().data.get() + partial;
}

void FlexTextStore::beginRow()
{
    const size_t head = VarintSize(size_t(m_cols));
    char* p = reserve(head);
    Block& b = m_blocks.back();
    m_runStart = b.used;
    PutVarint(p, size_t(m_cols));
    b.used += uint32_t(head);
    m_building = true;
    m_cellsAdded = 0;
    m_runHasText = false;
}

void FlexTextStore::writeCell(const char* utf8, size_t len)
{
    if (m_cellsAdded >= m_cols)
        return;
    if (!utf8)
        len = 0;
    const size_t need = VarintSize(len) + len;
    char* p = PutVarint(reserve(need), len);
    if (len)
        std::memcpy(p, utf8, len);
    m_blocks.back().used += uint32_t(need);
    ++m_cellsAdded;
    m_runHasText = m_runHasText || len > 0;
}

void FlexTextStore::writeCell(QStringView text)
{
    if (m_cellsAdded >= m_cols)
        return;
    const size_t len = Utf8Length(text);
    const size_t need = VarintSize(len) + len;
    PutUtf8(PutVarint(reserve(need), len), text);
    m_blocks.back().used += uint32_t(need);
    ++m_cellsAdded;
    m_runHasText = m_runHasText || len > 0;
}

FlexTextStore::RowRef FlexTextStore::finishRow()
{
    m_building = false;
    Block& b = m_blocks.back();
    if (!m_runHasText) {
        // A row of empty cells takes no bytes at all.
        b.used = m_runStart;
        return {kEmptyRow, 0};
    }
    const size_t pad = size_t(m_cols - m_cellsAdded);
    if (pad) {
        m_building = true; // the run may still move to a new block
        char* p = reserve(pad);
        std::memset(p, 0, pad);
        m_blocks.back().used += uint32_t(pad);
        m_building = false;
    }
    return {uint32_t(m_blocks.size() - 1), m_runStart};
}

// ---------------------------------------------------------------- fill

void FlexTextStore::addCell(const char* utf8, qsizetype len)
{
    if (!m_building)
        beginRow();
    writeCell(utf8, len > 0 ? size_t(len) : 0);
}

void FlexTextStore::addCell(QStringView text)
{
    if (!m_building)
        beginRow();
    writeCell(text);
}

void FlexTextStore::endRow()
{
    if (!m_building)
        beginRow();
    m_rows.push_back(finishRow());
}

void FlexTextStore::addRow(std::span<const std::string_view> cells)
{
    for (std::string_view s : cells)
        addCell(s);
    endRow();
}

void FlexTextStore::addRow(const QStringList& cells)
{
    for (const QString& s : cells)
        addCell(QStringView(s));
    endRow();
}

// ---------------------------------------------------------------- reading

const unsigned char* FlexTextStore::rowStart(int r) const
{
    const RowRef ref = m_rows[size_t(r)];
    if (ref.block == kEmptyRow)
        return nullptr;
    return reinterpret_cast<const unsigned char*>(m_blocks[ref.block].data.get()) + ref.offset;
}

std::string_view FlexTextStore::utf8(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols)
        return {};
    const unsigned char* p = rowStart(r);
    if (!p)
        return {};
    const size_t k = GetVarint(p);
    if (size_t(c) >= k)
        return {};
    for (int i = 0; i < c; ++i)
        p += GetVarint(p);
    const size_t len = GetVarint(p);
    return {reinterpret_cast<const char*>(p), len};
}

QString FlexTextStore::text(int r, int c) const
{
    const std::string_view s = utf8(r, c);
    return s.empty() ? QString() : QString::fromUtf8(s.data(), qsizetype(s.size()));
}

size_t FlexTextStore::runSize(int r) const
{
    const unsigned char* start = rowStart(r);
    if (!start)
        return 0;
    const unsigned char* p = start;
    const size_t k = GetVarint(p);
    for (size_t i = 0; i < k; ++i)
        p += GetVarint(p);
    return size_t(p - start);
}

size_t FlexTextStore::blockBytes() const
{
    size_t n = 0;
    for (const Block& b : m_blocks)
        n += b.used;
    return n;
}

// ---------------------------------------------------------------- changing

void FlexTextStore::dropRun(int r)
{
    m_garbage += runSize(r);
    m_rows[size_t(r)] = {kEmptyRow, 0};
}

void FlexTextStore::replaceRow(int r, int c, const char* utf8, size_t len, QStringView text, bool isUtf8)
{
    const unsigned char* p = rowStart(r);
    const size_t newLen = isUtf8 ? len : Utf8Length(text);
    if (!p && newLen == 0)
        return;
    // Bytes taken from this store's own last block could be overwritten
    // below before they are read.
    std::string own;
    if (isUtf8 && len && !m_blocks.empty()) {
        const char* b = m_blocks.back().data.get();
        if (utf8 >= b && utf8 < b + m_blocks.back().size) {
            own.assign(utf8, len);
            utf8 = own.data();
        }
    }
    // Same length: overwrite in place.
    if (p) {
        const std::string_view old = this->utf8(r, c);
        const size_t k = GetVarint(p);
        if (size_t(c) < k && old.size() == newLen) {
            char* at = const_cast<char*>(old.data());
            if (isUtf8)
                std::memmove(at, utf8, len);
            else
                PutUtf8(at, text);
            return;
        }
        p = rowStart(r);
    }
    // Otherwise the row is written anew at the end of the blocks. The row
    // written last (a row being filled cell by cell) gives its place back.
    std::string last;
    const RowRef ref = m_rows[size_t(r)];
    if (p && ref.block + 1 == m_blocks.size()) {
        const size_t n = runSize(r);
        if (ref.offset + n == m_blocks.back().used) {
            last.assign(reinterpret_cast<const char*>(p), n);
            m_blocks.back().used = ref.offset;
            m_rows[size_t(r)] = {kEmptyRow, 0};
            p = reinterpret_cast<const unsigned char*>(last.data());
        }
    }
    size_t k = 0;
    if (p)
        k = GetVarint(p);
    beginRow();
    for (int i = 0; i < m_cols; ++i) {
        size_t oldLen = 0;
        const char* oldBytes = nullptr;
        if (size_t(i) < k) {
            oldLen = GetVarint(p);
            oldBytes = reinterpret_cast<const char*>(p);
            p += oldLen;
        }
        if (i != c)
            writeCell(oldBytes, oldLen);
        else if (isUtf8)
            writeCell(utf8, len);
        else
            writeCell(text);
    }
    const RowRef fresh = finishRow();
    dropRun(r);
    m_rows[size_t(r)] = fresh;
    compactIfWasteful();
}

void FlexTextStore::setText(int r, int c, QStringView text)
{
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols)
        return;
    replaceRow(r, c, nullptr, 0, text, false);
}

void FlexTextStore::setUtf8(int r, int c, std::string_view utf8)
{
    if (r < 0 || r >= rows() || c < 0 || c >= m_cols)
        return;
    replaceRow(r, c, utf8.data(), utf8.size(), {}, true);
}

void FlexTextStore::insertRows(int at, int count)
{
    at = std::clamp(at, 0, rows());
    if (count > 0)
        m_rows.insert(m_rows.begin() + at, size_t(count), RowRef{kEmptyRow, 0});
}

void FlexTextStore::insertRow(int at, const QStringList& cells)
{
    at = std::clamp(at, 0, rows());
    for (const QString& s : cells)
        addCell(QStringView(s));
    if (!m_building)
        beginRow();
    m_rows.insert(m_rows.begin() + at, finishRow());
}

void FlexTextStore::removeRows(int at, int count)
{
    at = std::clamp(at, 0, rows());
    count = std::clamp(count, 0, rows() - at);
    if (count == 0)
        return;
    for (int r = at; r < at + count; ++r)
        dropRun(r);
    m_rows.erase(m_rows.begin() + at, m_rows.begin() + at + count);
    compactIfWasteful();
}

void FlexTextStore::setRows(int n)
{
    n = std::max(n, 0);
    if (n < rows())
        removeRows(n, rows() - n);
    else
        insertRows(rows(), n - rows());
}

void FlexTextStore::setCols(int n)
{
    n = std::max(n, 0);
    if (n >= m_cols) {
        // Rows written with fewer cells read the new ones as empty.
        m_cols = n;
        return;
    }
    // Fewer columns: every row is written again without the dropped cells, so
    // that they do not come back when the columns grow again.
    FlexTextStore cut(n);
    cut.reserveRows(rows());
    for (int r = 0; r < rows(); ++r) {
        const unsigned char* p = rowStart(r);
        if (p) {
            const size_t k = GetVarint(p);
            for (size_t i = 0; i < k && i < size_t(n); ++i) {
                const size_t len = GetVarint(p);
                cut.addCell(reinterpret_cast<const char*>(p), qsizetype(len));
                p += len;
            }
        }
        cut.endRow();
    }
    *this = std::move(cut);
}

void FlexTextStore::clearTexts()
{
    std::fill(m_rows.begin(), m_rows.end(), RowRef{kEmptyRow, 0});
    m_blocks.clear();
    m_garbage = 0;
    m_nextBlock = 4096;
}

void FlexTextStore::compactIfWasteful()
{
    if (m_garbage < kCompactAfter || m_garbage * 2 < blockBytes())
        return;
    // Runs do not depend on where they lie, so each moves as it is.
    FlexTextStore packed(m_cols);
    packed.m_nextBlock = kLargestBlock;
    packed.m_rows.resize(m_rows.size(), RowRef{kEmptyRow, 0});
    for (int r = 0; r < rows(); ++r) {
        const size_t n = runSize(r);
        if (n == 0)
            continue;
        char* p = packed.reserve(n);
        std::memcpy(p, rowStart(r), n);
        Block& b = packed.m_blocks.back();
        packed.m_rows[size_t(r)] = {uint32_t(packed.m_blocks.size() - 1), b.used};
        b.used += uint32_t(n);
    }
    *this = std::move(packed);
}
