#pragma once
#include <QColor>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class FlexGrid;
class QComboBox;
class QDateEdit;
class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;

// What a grid cell is edited with.
struct CellEditorSpec {
    enum Kind { None, Text, List, Date };
    Kind kind = None;
    QStringList items;    // List: the choices, in order
    bool editable = true; // List: text that is not in the list may be typed
    int maxLength = 0;    // Text: the longest text taken; 0 for no limit

    static CellEditorSpec text(int maxLength = 0) { return {Text, {}, true, maxLength}; }
    static CellEditorSpec list(const QStringList& items, bool editable = true) { return {List, items, editable, 0}; }
    static CellEditorSpec date() { return {Date, {}, true, 0}; }
};

// How an edit came to an end.
enum class CellCommit { Enter, Tab, BackTab, FocusOut, Click, Scroll, Program };

// Edits the cells of one grid in place: a line edit, a list (combo box) or a
// date picker laid over the current cell. Only scrolling cells are edited,
// never fixed ones.
//
// Opening: typing a character on an editable current cell (the editor starts
// with that character), F2, Enter or a double-click; a click as well with
// setOpenOnClick(true); or the window calls open(). Arrow keys move between
// cells while no editor is open.
// Ending: Enter, Tab and Shift+Tab commit and move on to the next editable
// cell (setNext() chooses another); the focus leaving the editor, a click on
// another cell and scrolling commit; Esc cancels. Before a text is written
// the validator may change it or refuse it: a refused editor stays open with
// what was typed. Each written cell is announced by committed().
//
//     FlexCellEditor* ed = grid->cellEditor();
//     ed->setColumnEditor(1, CellEditorSpec::date());
//     ed->setColumnEditor(2, CellEditorSpec::list(parties));
//     ed->setValidator([](int r, int c, QString& text) { text = text.trimmed(); return true; });
//     connect(ed, &FlexCellEditor::committed, this, &W::cellChanged);
class FlexCellEditor : public QObject {
    Q_OBJECT
public:
    // The editor of a cell, asked each time one is about to open, so it may
    // depend on the window's mode and the row. Kind None: not edited.
    using SpecFn = std::function<CellEditorSpec(int row, int col)>;
    // Gets the text about to be written and may change it; false refuses it.
    using ValidateFn = std::function<bool(int row, int col, QString& text)>;
    // After Enter, Tab or Shift+Tab committed (row, col): the cell to edit
    // next (true), or none (false; Tab then leaves the grid).
    using NextFn = std::function<bool(int& row, int& col, CellCommit how)>;

    explicit FlexCellEditor(FlexGrid* grid);
    ~FlexCellEditor() override;

    // The editor of every scrolling cell of a column (used when no SpecFn is set).
    void setColumnEditor(int col, const CellEditorSpec& spec);
    void setEditorFor(SpecFn fn) { m_specFor = std::move(fn); }
    // The editor a cell would get now; None for fixed cells.
    CellEditorSpec editorFor(int row, int col) const;
    void setValidator(ValidateFn fn) { m_validate = std::move(fn); }
    void setNext(NextFn fn) { m_next = std::move(fn); }
    void setOpenOnClick(bool on) { m_openOnClick = on; }
    // Background and text colours of every editor.
    void setColors(const QColor& back, const QColor& fore);

    // Places the cell's editor over it with the cell's text, all selected,
    // and gives it the focus; an editor open elsewhere is committed first.
    // False when the cell takes no editor or the open one was refused.
    bool open(int row, int col);
    // Writes the open editor's text into its cell; false when the validator
    // refused it (the editor stays). True when nothing was open.
    bool commit(CellCommit how = CellCommit::Program);
    // Closes the editor, the cell unchanged.
    void cancel();

    bool isOpen() const { return m_open != nullptr; }
    int row() const { return m_row; }
    int col() const { return m_col; }
    // The open editor, or nullptr.
    QWidget* widget() const { return m_open; }
    // What the open editor holds, as it would be written.
    QString text() const;
    // The three editors ("TxtEnter", "CmbEnter", "DtpEnter"), made on first use.
    QLineEdit* lineEdit();
    QComboBox* comboBox();
    QDateEdit* dateEdit();

signals:
    void opened(int row, int col);
    void committed(int row, int col, const QString& oldText, const QString& newText);
    void cancelled(int row, int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class FlexGrid;
    bool openAt(int row, int col, const QString& text, bool selectAll);
    void close(bool focusGrid);
    void advance(int row, int col, CellCommit how);
    bool defaultNext(int& row, int& col, CellCommit how) const;
    void watch(QWidget* w);
    template <class W>
    W* editorWidget(QPointer<W>& slot, const char* name);
    void focusChanged(QWidget* old, QWidget* now);
    void refocusLater();
    // Called by the grid.
    bool gridKey(QKeyEvent* event);
    bool gridTyped(QInputMethodEvent* event);
    bool gridPressed();
    void gridClicked();
    void gridDoubleClicked();
    void gridScrolled();
    void gridReset();
    void rowsInserted(int at, int count);
    void rowsRemoved(int at, int count);
    void place();
    void detach();

    FlexGrid* m_grid;
    QHash<int, CellEditorSpec> m_columns;
    SpecFn m_specFor;
    ValidateFn m_validate;
    NextFn m_next;
    bool m_openOnClick = false;
    QString m_dateFormat = QStringLiteral("yyyy-MM-dd");
    QColor m_back;
    QColor m_fore;

    QPointer<QLineEdit> m_line;
    QPointer<QComboBox> m_combo;
    QPointer<QDateEdit> m_date;
    QWidget* m_open = nullptr;
    CellEditorSpec::Kind m_kind = CellEditorSpec::None;
    QStringList m_comboItems;
    QString m_openText;
    int m_row = -1;
    int m_col = -1;
    bool m_busy = false;
    bool m_refused = false;
    bool m_forwarding = false; // a key is being handed from the grid to the editor
};
