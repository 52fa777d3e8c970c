#pragma once
#include "platform/cell_editor.h"
#include "platform/flexstore.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTableView>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

class FlexGrid;
class FlexFixedHeader;
class FlexCorner;
class QPainter;

// The rows of a long list that a grid has counted but not yet taken (the
// rest of a statement still open). The grid asks for them only when
// something needs them: a row scrolled into view or made current, a cell
// read, a change of the rows.
class FlexRowSource {
public:
    virtual ~FlexRowSource() = default;
    // Adds further rows to the end of store until it holds `rows` rows, or
    // fewer when the source has none left; false then (at its end, or
    // failed).
    virtual bool fetch(FlexTextStore& store, int rows) = 0;
    // The source has given its last row and the grid holds every row it
    // gave, however many were counted: its rows are now those. Called once,
    // with the source no longer the grid's; it is destroyed afterwards.
    virtual void ended() {}
    // A list shown before it was counted took further rows: rows() grew.
    virtual void grew() {}
};

// The scrolling part of the grid as the table view sees it: the cells below
// the fixed rows and right of the fixed columns (those are painted by the
// grid's own headers). Texts live in a compact store; no object per cell.
class FlexTextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FlexTextModel(FlexGrid* grid);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Styles and values of cells are kept by this key of (row, column).
    static qint64 key(int r, int c) { return (qint64(r) << 20) | c; }

private:
    friend class FlexGrid;
    friend class FlexFixedHeader;
    friend class FlexCorner;
    struct CellStyle {
        QColor back;
        QColor fore;
        bool bold = false;
        Qt::Alignment align;
    };
    int headerRows() const;
    int headerCols() const;
    int gridRow(int modelRow) const { return modelRow + headerRows(); }
    int gridCol(int modelCol) const { return modelCol + headerCols(); }
    int rows() const { return m_counted >= 0 ? m_counted + m_tail.rows() : m_store.rows(); }
    // A cell's text wherever its row is held (the rows taken, or those added after them).
    QString cellText(int r, int c) const;
    std::string_view cellUtf8(int r, int c) const;
    // The rows added after a source's rows go to the end of the rows taken.
    void appendTail();
    int cols() const { return m_store.cols(); }
    const CellStyle* style(int r, int c) const;
    CellStyle& styleFor(int r, int c) { return m_styles[key(r, c)]; }
    Qt::Alignment alignment(int r, int c) const;

    FlexGrid* m_grid;
    FlexTextStore m_store; // the rows taken so far
    // While a source holds rows: the rows it gives, counted (fixed rows
    // included), or those taken so far when it was not counted; else -1.
    int m_counted = -1;
    bool m_uncounted = false; // the source's rows were not counted: rows() grows as they are taken
    FlexTextStore m_tail;     // rows added at the end while a source holds rows
    std::vector<Qt::Alignment> m_colAlign;
    std::vector<Qt::Alignment> m_fixedAlign;
    QHash<qint64, CellStyle> m_styles;
    QHash<qint64, QVariant> m_values;
};

// The grid of the windows: a table view with the row/column vocabulary the
// windows are written in. Rows and columns count from 0; the first
// fixedRows() rows and fixedCols() columns are fixed: drawn as headers, never
// current, never scrolled away (fixed rows scroll sideways with their
// columns, fixed columns up and down with their rows). Widths and heights are
// in twips (15 to a pixel); width 0 hides a column. Moving the current cell,
// by the user or by the program, emits rowColChange(). Tab moves the focus on
// to the next control, not to the next cell. Colours, fonts and alignments
// belong to cells and move with their rows when rows are inserted or removed.
//
// The table view's own methods (columnWidth, rowAt, model indexes ...) speak
// of the scrolling part only: view row = grid row - fixed rows, view column =
// grid column - fixed columns.
//
// In-cell editing is offered by cellEditor() (FlexCellEditor, cell_editor.h).
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);
    ~FlexGrid() override;

    int rows() const { return m_model->rows(); }
    void setRows(int n);
    int cols() const { return m_model->cols(); }
    void setCols(int n);
    int fixedRows() const { return m_fixedRows; }
    void setFixedRows(int n);
    int fixedCols() const { return m_fixedCols; }
    void setFixedCols(int n);

    QString textMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const QString& text);
    // The cell's UTF-8 bytes, without making a QString; valid until the grid
    // next changes.
    std::string_view textUtf8(int r, int c) const;
    // All texts of a row, in column order.
    QStringList rowTexts(int r) const;

    int colWidth(int c) const;
    void setColWidth(int c, int twips);
    int rowHeight(int r) const;
    void setRowHeight(int r, int twips);

    // A new row, one text per cell, inserted at row index (-1 appends). A
    // text may hold any character, a Tab too: rows made of typed or stored
    // values come this way.
    void addItem(const QStringList& cells, int index = -1);
    // The same from one text whose cells are joined by Tab, for rows the
    // program writes itself ("a\tb"): a Tab in a value would move every
    // later cell one column on.
    void addItem(const QString& tabJoined, int index = -1);
    void removeItem(int r);
    // Every text "" (rows, columns and widths stay).
    void clear();

    int row() const { return m_row; }
    void setRow(int r);
    int col() const { return m_col; }
    void setCol(int c);
    int rowSel() const { return m_rowSel; }
    void setRowSel(int r);
    int colSel() const { return m_colSel; }
    int topRow() const;
    void setTopRow(int r);

    void setSelectionByRow(bool byRow);
    bool selectionByRow() const { return m_byRow; }
    void setColAlignment(int c, Qt::Alignment alignment);
    Qt::Alignment colAlignment(int c) const;
    // Alignment of the fixed cells of a column (left by default).
    void setFixedAlignment(int c, Qt::Alignment alignment);
    // Alignment of one cell, over its column's.
    void setCellAlignment(int r, int c, Qt::Alignment alignment);
    Qt::Alignment cellAlignment(int r, int c) const;

    // Adjacent equal texts of the marked rows / columns are shown as one cell,
    // in the fixed rows and columns as in the rest (a fixed and a scrolling
    // cell never merge).
    void setMergeCells(bool on);
    bool mergeCells() const { return m_merge; }
    void setMergeRow(int r, bool on);
    void setMergeCol(int c, bool on);
    // Off: only the fixed cells merge (two-row captions over a list whose
    // equal neighbours must stay apart). On by default.
    void setMergeScrolling(bool on);
    // Recomputes the merged areas now (they are otherwise brought up to date
    // when the event loop next runs).
    void refreshMerges();

    void setCellBackColor(int r, int c, const QColor& color);
    void setCellForeColor(int r, int c, const QColor& color);
    void setCellFontBold(int r, int c, bool bold);
    QColor cellBackColor(int r, int c) const;
    QColor cellForeColor(int r, int c) const;
    bool cellFontBold(int r, int c) const;

    // A value behind a cell's text, such as the stored number a rounded
    // text stands for. It belongs to the text: it moves with its row and
    // goes when a different text is written into the cell (by the program or
    // the cell editor), when its row or column goes and when the grid is
    // cleared or filled anew. Writing the same text again keeps it.
    void setCellValue(int r, int c, const QVariant& value);
    // The cell's value; invalid when it has none.
    QVariant cellValue(int r, int c) const;

    // Viewport coordinates of a cell, to place an editor over it (fixed cells
    // lie left of or above the viewport). A merged scrolling cell gives its
    // whole area.
    QRect cellRect(int r, int c) const;

    // Off while many cells change; on again repaints once.
    void setRedraw(bool on);
    bool redraw() const { return m_redraw; }

    // Replaces the whole grid at once: rows x cols texts, row-major, row 0
    // included. Colours and merges of the old cells are dropped.
    void setAll(int rows, int cols, std::vector<QString>&& cells);
    // The same from a filled store (the rows it holds, fixed rows included),
    // with no QString made per cell:
    //     FlexTextStore s = grid->startFill();
    //     while (...) { s.addCell(bytes, len); ...; s.endRow(); }
    //     grid->setAll(std::move(s));
    void setAll(FlexTextStore&& store);
    // A long list shown at once: the store holds its first rows (fixed rows
    // included), `rows` counts them all and `rest` gives the others as they
    // are needed. rows(), the cells, scrolling and the current row reach
    // every counted row as if they were all held; a cell not yet taken is
    // taken (with the rows before it) when it is read. A row added at the end
    // (addItem) or taken out (removeItem) leaves the rest where it is; any
    // other change of the rows or columns takes every row first; setAll and
    // clear() let the rest go. With `rows` < 0 the list is not counted:
    // rows() are the rows taken so far, and grow by a slice as the view
    // nears the last of them (Ctrl+End takes them all).
    void setAll(FlexTextStore&& store, int rows, std::unique_ptr<FlexRowSource> rest);
    // Rows taken at once from a source past which the busy pointer shows.
    static constexpr int kBusyRows = 20000;
    // A source still holds rows that were not counted.
    bool uncounted() const;
    // The rows a source shown uncounted still holds are now known: rows()
    // reaches them all, as if they had been counted when it was shown (a
    // source that holds none is read to its end, which ends it).
    void countSource(int rowsLeft);
    // Takes every row the source still holds.
    void takeAllRows();
    // Rows held so far, fixed rows included: rows() once every row is taken.
    int takenRows() const { return m_model->m_store.rows(); }
    // Rows added at the end (addItem) while a source holds rows: the last
    // rows of the grid, after the source's.
    int addedRows() const { return m_source ? m_model->m_tail.rows() : 0; }
    // An empty store with this grid's columns and a copy of its fixed rows.
    FlexTextStore startFill() const;

    // The in-cell editor host of this grid, made on first use.
    FlexCellEditor* cellEditor();
    bool hasCellEditor() const { return m_editor != nullptr; }

signals:
    void rowColChange();
    void dblClick();
    void clicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void updateGeometries() override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    friend class FlexTextModel;
    friend class FlexFixedHeader;
    friend class FlexCorner;
    friend class FlexCellEditor;
    struct Line {
        int index; // grid row or column
        int pos;   // pixels in the painted widget
        int size;
    };
    QModelIndex viewIndex(int r, int c) const;
    void resetModel(const std::function<void()>& change);
    void applyWidths();
    void syncView();
    void moveTo(int r, int c, bool notify);
    void clampCurrent();
    void scheduleMerges();
    // Changes one cell's style (any cell, fixed ones too) and repaints it.
    void changeStyle(int r, int c, int role, const std::function<void(FlexTextModel::CellStyle&)>& change);
    // Styles and values of the rows from `from` on move by `by` (those of
    // rows taken out go); from firstRow on they go.
    void shiftCellData(int from, int by);
    void dropCellDataFrom(int firstRow);
    void insertRowsAt(int at, int count, const QStringList* texts);
    int colPx(int c) const;
    int fixedRowPx(int r) const;
    // The fixed rows from the top, and the fixed columns not hidden from the left.
    std::vector<Line> fixedRowLines() const;
    std::vector<Line> fixedColLines() const;
    int fixedRowsHeight() const;
    int fixedColsWidth() const;
    void updateFixedAreas();
    void paintFixed(QPainter& p, const std::vector<Line>& rows, const std::vector<Line>& cols) const;
    void paintFixedCell(QPainter& p, const QRect& rect, int r, int c, bool merged) const;
    bool mergesAcross(int r) const { return m_merge && m_mergeRows.contains(r); }
    bool mergesDown(int c) const { return m_merge && m_mergeCols.contains(c); }
    void leaveByTab(bool forward);
    // Rows up to (not including) upTo taken from the source, when it holds them.
    void takeRows(int upTo) const;
    void takeVisibleRows();
    void takeFromSource(int upTo);
    // The source has given its last row: the model's rows become those held.
    void endSource();
    // Rows of the source were shown before the rows added after it, at `at`.
    void followInsertedRows(int at, int count);
    // The source and the rows it still held go; rows() as it was, their cells empty.
    void dropSource();

    FlexTextModel* m_model;
    std::unique_ptr<FlexRowSource> m_source;
    int m_taking = 0;
    FlexCellEditor* m_editor = nullptr;
    QWidget* m_corner = nullptr;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    int m_row = 1;
    int m_col = 1;
    int m_rowSel = 1;
    int m_colSel = 1;
    bool m_byRow = false;
    bool m_redraw = true;
    bool m_merge = false;
    bool m_mergeScrolling = true;
    bool m_mergePending = false;
    int m_syncing = 0;
    std::vector<int> m_colTwips;   // -1: default width
    std::vector<int> m_fixedRowTwips; // -1: default height
    QSet<int> m_mergeRows;
    QSet<int> m_mergeCols;
};
