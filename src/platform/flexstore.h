#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

// The text cells of a grid, rows x columns, kept as UTF-8 in large blocks:
// each row is one run of bytes (its cell count, then each cell's length and
// bytes) and the row table holds where each run starts, eight bytes a row.
// There is no object per cell; a QString is made only when a cell is read, so
// a million rows of eleven columns take little more than their text.
//
// Filling goes row by row: addCell() the cells of a row left to right (UTF-8
// straight from a statement, or QString), then endRow(). Changing a cell
// writes its row anew at the end of the blocks; the space left behind is
// reclaimed once it outweighs the text in use.
class FlexTextStore {
public:
    explicit FlexTextStore(int cols = 0);
    ~FlexTextStore();
    FlexTextStore(FlexTextStore&&) noexcept;
    FlexTextStore& operator=(FlexTextStore&&) noexcept;
    FlexTextStore(const FlexTextStore&) = delete;
    FlexTextStore& operator=(const FlexTextStore&) = delete;

    int rows() const { return int(m_rows.size()); }
    int cols() const { return m_cols; }

    // ---- bulk fill
    // The next cell of the row being built; cells beyond cols() are dropped.
    // Null or no bytes give an empty cell.
    void addCell(const char* utf8, qsizetype len);
    void addCell(std::string_view utf8) { addCell(utf8.data(), qsizetype(utf8.size())); }
    void addCell(QStringView text);
    // Ends the row being built; cells not given are empty.
    void endRow();
    // A whole row at once.
    void addRow(std::span<const std::string_view> cells);
    void addRow(const QStringList& cells);
    void reserveRows(int rows) { m_rows.reserve(size_t(rows)); }

    // ---- reading
    QString text(int r, int c) const;
    // The cell's bytes; valid until the store next changes.
    std::string_view utf8(int r, int c) const;
    bool isEmpty(int r, int c) const { return utf8(r, c).empty(); }
    bool equal(int r1, int c1, int r2, int c2) const { return utf8(r1, c1) == utf8(r2, c2); }

    // ---- changing
    void setText(int r, int c, QStringView text);
    void setUtf8(int r, int c, std::string_view utf8);
    // Rows of empty cells inserted before row at (at == rows() appends).
    void insertRows(int at, int count);
    // One row of the given texts inserted before row at.
    void insertRow(int at, const QStringList& cells);
    void removeRows(int at, int count);
    void setRows(int n);
    // Keeps the texts of the remaining columns.
    void setCols(int n);
    // Every cell empty; rows and columns stay.
    void clearTexts();

    // Bytes of text blocks held, and of those the part no row uses any more.
    size_t blockBytes() const;
    size_t unusedBytes() const { return m_garbage; }

private:
    struct Block {
        std::unique_ptr<char[]> data;
        uint32_t size = 0;
        uint32_t used = 0;
    };
    struct RowRef {
        uint32_t block;
        uint32_t offset;
    };
    static constexpr uint32_t kEmptyRow = 0xffffffffu;

    const unsigned char* rowStart(int r) const;
    size_t runSize(int r) const;
    char* reserve(size_t bytes);
    void beginRow();
    RowRef finishRow();
    void writeCell(const char* utf8, size_t len);
    void writeCell(QStringView text);
    void replaceRow(int r, int c, const char* utf8, size_t len, QStringView text, bool isUtf8);
    void dropRun(int r);
    void compactIfWasteful();

    int m_cols = 0;
    std::vector<RowRef> m_rows;
    std::vector<Block> m_blocks;
    size_t m_garbage = 0;
    size_t m_nextBlock = 4096;
    // The row being built: where it starts in the last block and how many
    // cells it has so far.
    bool m_building = false;
    uint32_t m_runStart = 0;
    int m_cellsAdded = 0;
    bool m_runHasText = false;
};
