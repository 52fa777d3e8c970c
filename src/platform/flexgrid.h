#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTableView>
#include <functional>
#include <vector>

class FlexGrid;

// Text cells in one flat row-major vector: no item object per cell, so a
// grid of a hundred thousand rows fills in a moment. Row 0 is the grid's
// header row; with one fixed row it is shown by the horizontal header.
class FlexTextModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FlexTextModel(FlexGrid* grid);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    friend class FlexGrid;
    int headerRows() const;
    int gridRow(int modelRow) const { return modelRow + headerRows(); }
    const QString& cell(int r, int c) const { return m_cells[size_t(r) * m_cols + c]; }
    QString& cell(int r, int c) { return m_cells[size_t(r) * m_cols + c]; }
    static qint64 key(int r, int c) { return (qint64(r) << 20) | c; }

    FlexGrid* m_grid;
    int m_rows = 2;
    int m_cols = 2;
    std::vector<QString> m_cells;
    std::vector<Qt::Alignment> m_colAlign;
    std::vector<Qt::Alignment> m_fixedAlign;
    QHash<qint64, QColor> m_back;
    QHash<qint64, QColor> m_fore;
    QSet<qint64> m_bold;
};

// The grid of the list windows: a table view with the row/column vocabulary
// the windows are written in. Rows and columns count from 0, row 0 being the
// header row; widths and heights are in twips (15 to a pixel), width 0 hides
// a column. Moving the current cell, by the user or by the program, emits
// rowColChange(). Tab moves the focus on to the next control, not to the
// next cell.
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr);

    int rows() const { return m_model->m_rows; }
    void setRows(int n);
    int cols() const { return m_model->m_cols; }
    void setCols(int n);
    int fixedRows() const { return m_fixedRows; }
    void setFixedRows(int n);
    int fixedCols() const { return m_fixedCols; }
    void setFixedCols(int n);

    QString textMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const QString& text);
    // All texts of a row, in column order.
    QStringList rowTexts(int r) const;

    int colWidth(int c) const;
    void setColWidth(int c, int twips);
    int rowHeight(int r) const;
    void setRowHeight(int r, int twips);

    // Tab-joined texts of a new row, inserted at row index (-1 appends).
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
    // Alignment of the header row's cell of a column (left by default).
    void setFixedAlignment(int c, Qt::Alignment alignment);

    // Adjacent equal texts of the marked rows / columns are shown as one cell.
    void setMergeCells(bool on);
    bool mergeCells() const { return m_merge; }
    void setMergeRow(int r, bool on);
    void setMergeCol(int c, bool on);
    // Recomputes the merged areas now (they are otherwise brought up to date
    // when the event loop next runs).
    void refreshMerges();

    void setCellBackColor(int r, int c, const QColor& color);
    void setCellForeColor(int r, int c, const QColor& color);
    void setCellFontBold(int r, int c, bool bold);
    QColor cellBackColor(int r, int c) const;
    QColor cellForeColor(int r, int c) const;
    bool cellFontBold(int r, int c) const;

    // Viewport coordinates of a cell, to place an editor over it.
    QRect cellRect(int r, int c) const;

    // Off while many cells change; on again repaints once.
    void setRedraw(bool on);
    bool redraw() const { return m_redraw; }

    // Replaces the whole grid at once: rows x cols texts, row-major, row 0
    // included. Colours and merges of the old cells are dropped.
    void setAll(int rows, int cols, std::vector<QString>&& cells);

signals:
    void rowColChange();
    void dblClick();
    void clicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    friend class FlexTextModel;
    QModelIndex viewIndex(int r, int c) const;
    void resetModel(const std::function<void()>& change);
    void applyWidths();
    void syncView();
    void moveTo(int r, int c, bool notify);
    void clampCurrent();
    void scheduleMerges();
    void dropStylesFrom(int firstRow);

    FlexTextModel* m_model;
    int m_fixedRows = 1;
    int m_fixedCols = 1;
    int m_row = 1;
    int m_col = 1;
    int m_rowSel = 1;
    int m_colSel = 1;
    bool m_byRow = false;
    bool m_redraw = true;
    bool m_merge = false;
    bool m_mergePending = false;
    int m_syncing = 0;
    std::vector<int> m_colTwips;  // -1: default width
    QSet<int> m_mergeRows;
    QSet<int> m_mergeCols;
    int m_headerTwips = -1;
};
