#pragma once
#include "dialogs/error_boundary.h"
#include "dialogs/field.h"
#include "platform/mainhost.h"

#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class FlexGrid;
class FlexTextStore;
class Query;
class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QTabBar;
class ListReader;
class RowReader;
class RowView;

// The list/detail window: a tab strip `TabS` whose first tab lists the table
// in the grid `GD` and whose second shows one record in its fields on the
// frame `Frm`; the commands add, edit, delete, search, save, cancel and
// return (optionally export and print); browse, add and edit modes; the record
// counter in panel 4 of the main window; the close guard while editing.
//
// A window declares its fields in its constructor. The plain two-box list:
//
//     setWindowTitle("外务员资料");
//     setTable("M04");
//     setListSql("select * from M04 order by F1");
//     setSearchHead("Select M04.* from M04 ");
//     setTabCaptions("外务员列表", "外务员资料");
//     setWidthTwips(4500);
//     addField({.header = "姓名", .label = "姓 名", .column = "F1", .maxLength = 4,
//               .required = true, .labRect = {630, 915, 510, 255}, .txtRect = {1260, 855, 2085, 330}});
//     addField({...});
//     setDuplicateMessage("系统中已经有其它外务员使用了这个姓名，请重新设置!");
//     addReference({"B01", "F602"});
//
// A field k is the box Txt(k) with its label Lab(k), showing grid column k.
// A wider record (49 boxes, ten lists over their boxes, a date picker, a
// check box, a grid of its own) is declared field by field, usually from a
// table in the window's source:
//
//     setTable("B01");
//     setGridColumns({"速递单号", "寄件日期", "目的地", ...});      // 11 columns of its own
//     setKeepsDesignedPosition(true);
//     addField({.label = "速递单号", .column = "F1", .maxLength = 15, .txtRect = {...},
//               .index = 0, .gridCol = kNoGridColumn});             // read from the B01 row
//     addField({.label = "寄件日期", .column = "F101", .txtRect = {...}, .index = 1,
//               .gridCol = kNoGridColumn, .editor = FieldEditor::Date, .kind = FieldKind::Date});
//     addField({.label = "发件客户", .column = "F603", .txtRect = {...}, .index = 31,
//               .gridCol = kNoGridColumn, .editor = FieldEditor::List, .kind = FieldKind::Code,
//               .listSql = "select F1,F2 from M03 order by F1"});   // Cmb(31) over Txt(31)
//     addField({.label = "服务类型", .column = "F301", ..., .index = 17, .editor = FieldEditor::List,
//               .kind = FieldKind::Code, .items = {"D.文件(File)", "S.物品(Parcel)"}});
//     addField({.label = "出重(KG)", .column = "F404", ..., .index = 23, .kind = FieldKind::Number,
//               .mask = FieldMask::WithoutPriceRight});
//     addField({.label = "出货成本", .column = "F507", ..., .index = 34, .kind = FieldKind::Number,
//               .mask = FieldMask::WithoutPriceRight | FieldMask::NotAdministrator});
//     addField({.label = "制单人", .column = "F601", ..., .index = 29, .clearOnAdd = false});
//     addEntryControl(ChkChuHuo);          // a control of the window's own: colour, Enter, browse rule
//
// and overrides hooks rather than the procedures:
//   fieldEntered(f)   focus came into a field in add or edit mode (fee and cost boxes compute here)
//   fieldLeft(f)      focus left it (dependent lists refill here)
//   shownText(f, s)   how a stored value shows ("C001" -> "C001.客户一")
//   addCell(s, row, c) how a list cell shows, as the rows stream into the grid
//   recordShown()     after ShowRecord filled the fields (places grid, remark lines...)
//   prepareEditors(m) the editors for a mode; call the frame's first, then add the window's own
//   counterText()     the record counter ("速递单：无单据信息")
// The fixed part of BeginEdit/EndEdit (tabs, menus, gEditing, the counter)
// stays in the frame.
class ListFrame : public ChildWindow {
    Q_OBJECT
public:
    // One field of the record. The first nine members are what the plain
    // lists set; the rest describe wider records.
    struct Field {
        QString header = {};      // grid column header
        QString label = {};       // caption of Lab(k) (of the check box for FieldEditor::Check)
        QString column = {};      // table column written by the insert; "" = not written
        int maxLength = 0;        // most characters typed into Txt(k); 0: no limit
        bool required = false;    // save refuses an empty value
        QRect labRect = {};       // twips, on `host`
        QRect txtRect = {};       // twips: the box (and the list or picker over it)
        int searchType = 0;       // 0 text, 1 number, 2 date
        QString searchField = {}; // qualified name for the search; "" = table.column
        int index = -1;           // k of Txt(k)/Cmb(k)/Chk(k); -1: one after the previous field's
        int gridCol = kGridColumnOfIndex; // list column the detail shows; kNoGridColumn: the table row's `column`
        FieldEditor editor = FieldEditor::Box;
        FieldKind kind = FieldKind::Text;
        QString editorName = {};  // a name other than Cmb(k), "DTP", Chk(k); for a box ("TxtMEMO(0)"),
                                  // which is then not one of Txt()
        QStringList items = {};   // fixed items of a list
        QString listSql = {};     // a list filled at load: "code.name" from fields 0 and 1
        bool listWithName = true; // false: the list shows field 0 alone
        int labIndex = -1;        // k of the label Lab(k); -1: the field's own k
        QWidget* host = nullptr;  // parent of label, box and editor; Frm by default
        QString format = {};      // shown through Format ("#0.0"); left as shown, the stored value is saved
        int mask = FieldMask::None;
        bool editable = true;     // unlocked while adding or editing
        bool clearOnAdd = true;   // emptied by add
        bool upperCase = false;   // typed letters become capitals
        bool tabStop = true;      // reached with Tab and Enter
        bool visible = true;      // false: a box never shown
        bool handled = true;      // false: no focus colour, no Enter move and no entry hooks; while
                                  // browsing the box keeps the focus, read-only, to be selected and copied
    };
    // A table column that refers to this list's key: a record is in use while
    // some row there names it. The administrator's delete of a record in use
    // removes those rows, or only blanks the column when clearOnPurge is set.
    struct Reference {
        QString table;
        QString column;
        bool clearOnPurge = false;
    };
    enum Mode { Browse = 0, Adding = 1, Editing = 2 };

    explicit ListFrame(const QString& name, QWidget* parent = nullptr);
    ~ListFrame() override;

    // Written by the search dialog: the finished statement, "" when cancelled.
    QString PubSql;

    int editMode() const { return EditMode; }
    int curRow() const { return CurRow; }
    int recCount() const { return RecCount; }
    FlexGrid* grid() const { return GD; }
    QLineEdit* txt(int k) const { return Txt.value(k); }
    QComboBox* cmb(int k) const { return Cmb.value(k); }
    QCheckBox* chk(int k) const { return Chk.value(k); }
    int fieldCount() const { return int(m_fields.size()); }
    // Fields in the order they were added.
    const Field& field(int pos) const { return m_fields[pos]; }
    // Position of the field whose editor is `control` (its box, list, picker
    // or check box); -1 for any other control.
    int fieldOf(const QWidget* control) const;

    // The window's load step: language hook, masks, lists, browse mode, first fill.
    void formLoad() override;

    // The frame's procedures.
    virtual void SetupGrid();
    virtual void FillGrid(const QString& sql);
    virtual void ShowPosition();
    virtual void ShowRecord();
    virtual void BeginEdit();
    virtual void EndEdit();
    virtual bool IsInUse(const QString& key);
    virtual void GD_RowColChange();

    // The menu commands.
    virtual void Menu_Add_Click();
    virtual void Menu_edit_Click();
    virtual void Menu_del_Click();
    virtual void Menu_query_Click();
    virtual void Menu_save_Click();
    virtual void Menu_cancel_Click();
    virtual void Menu_Return_Click();
    virtual void Menu_ToExcel_Click();
    virtual void Menu_print_Click() {}

    // Failure prefixes of the frame's commands.
    static const char* const kQueryFailure;   // "查询执行错误!系统返回如下信息："
    static const char* const kSaveFailure;    // "保存失败!系统返回如下信息："
    static const char* const kDeleteFailure;  // "删除失败!系统返回如下信息："
    // Any other failure of a command: kCommandFailure of the error boundary.

    // Rows a fill reads before the list is shown; a longer list is counted
    // and shown at once, the grid taking its other rows from the statement,
    // still open, when it needs them.
    static constexpr int kFirstListRows = 500;
    // Thousands of the engine's steps a fill lets its count take (about
    // 20 ms): the row count of a table takes a few steps however long the
    // table, a count that has to read every row of a large table more; that
    // list is shown at once uncounted, and counted when the program is idle
    // (or when its last row is read).
    static constexpr int kCountBudget = 400;
    // Milliseconds of one slice of that count: the window answers between two.
    static constexpr int kCountSliceMs = 20;

protected:
    // --- configuration, from the window's constructor
    void setTable(const QString& table, const QString& keyColumn = QStringLiteral("F1"));
    void setListSql(const QString& sql) { m_listSql = sql; }
    void setSearchHead(const QString& sql) { m_searchHead = sql; }
    void setSearchFieldIndex(int index) { m_searchIndex = index; }
    void setTabCaptions(const QString& list, const QString& detail);
    void setWidthTwips(int twips) { m_widthTwips = twips; }
    void setDuplicateMessage(const QString& text) { m_duplicateMessage = text; }
    void addReference(const Reference& ref) { m_references.append(ref); }
    // The grid column holding the record's name for the delete messages.
    void setNameColumn(int col) { m_nameCol = col; }
    // The grid column holding the record's key (0 by default).
    void setKeyGridColumn(int col) { m_keyGridCol = col; }
    // Text put in front of the record counter ("速递单：" in the waybill list).
    void setCounterPrefix(const QString& prefix) { m_counterPrefix = prefix; }
    // Off for a window whose editing neither sets gEditing nor guards closing.
    void setUsesEditingFlag(bool on) { m_usesEditingFlag = on; }
    // On for a window that keeps its designed position and size instead of
    // standing at the top left of the work area as tall as the area.
    void setKeepsDesignedPosition(bool on) { m_placeInHost = !on; }
    // The grid's own columns, when they are not the fields' (headers in order).
    void setGridColumns(const QStringList& headers) { m_gridHeaders = headers; }
    // Prefix of the message when the record's own row cannot be read.
    void setReadFailurePrefix(const QString& prefix) { m_readFailure = prefix; }
    // Returns the field's position.
    int addField(const Field& f);
    // A control of the window's own on the detail page or beside it (a check
    // box tied to a box, an entry strip): it is coloured while it has the
    // focus in add or edit mode, Enter moves on from it, and while browsing
    // it passes the focus to the tab strip. Controls on `Frm` are treated so
    // without this call, whenever they were made.
    void addEntryControl(QWidget* control);
    // Optional commands: export ("&T.导出数据", in front of return unless
    // `before` names another entry) and print ("&P.打印", in front of save).
    QAction* addExportCommand(const QString& objectName = QStringLiteral("Menu_ToExcel"), QAction* before = nullptr);
    QAction* addPrintCommand(const QString& objectName = QStringLiteral("Menu_print"), QAction* before = nullptr);
    // A command of the window's own that, like add and delete, is only
    // available while browsing.
    void addBrowseCommand(QAction* command) { m_browseCommands.append(command); }
    // Connects a command of the window's own the way the frame's are: a
    // database failure is shown with `failurePrefix` instead of ending the
    // program, and after a refusal the focus goes back where it was.
    void connectCommand(QAction* command, std::function<void()> handler,
                        const QString& failurePrefix = QString::fromUtf8(kCommandFailure));
    // Runs a command that way (a menu-bar command from addCommand runs so).
    void runCommand(const std::function<void()>& handler, const QString& failurePrefix = QString::fromUtf8(kCommandFailure));
    void runHandler(const std::function<void()>& handler) override { runCommand(handler); }
    // Inside a command: where the focus goes once it is over (the key box
    // after a duplicate key). Gives it the focus now as well.
    void setFocusAfterCommand(QWidget* control);

    // --- hooks
    // Columns of the grid; the declared columns or the fields' by default.
    virtual int gridCols() const;
    // Header text of a grid column; the declared header or the field's.
    virtual QString headerText(int col) const;
    // The statement a fill runs for `sql` (the list's or a search's): sql
    // itself by default. A window may read the same list another way (names
    // from small tables it holds instead of a join); a DbError here is a
    // refused list.
    virtual QString fillStatement(const QString& sql) { return sql; }
    // One cell of a row of the list statement, added to the grid's store
    // (store.addCell, once per call): the value as a record set shows it by
    // default, "" past the statement's columns. Rows go from the statement
    // straight into the store, so a window that shows a value otherwise
    // (a code with its name) adds its own text here.
    virtual void addCell(FlexTextStore& store, const RowView& row, int col) const;
    // Column widths for a grid this wide; equal shares by default.
    virtual void sizeColumns(int gridWidthTwips);
    // The record counter in panel 4.
    virtual QString counterText() const;
    // A count of the list's rows as the counter shows it: "500+" while the
    // list is not yet counted (it has more rows than those shown).
    QString shownCount(int rows) const;
    // Text a field shows for a stored value; the value (through the field's
    // format, if any) by default.
    virtual QString shownText(const Field& f, const QString& stored) const;
    // After ShowRecord has filled the fields.
    virtual void recordShown() {}
    // Locks, clears, shows and hides the editors for a mode; called by
    // BeginEdit (after EditMode is set), by EndEdit and at load.
    virtual void prepareEditors(int mode);
    // Focus came into (left) a field's control while adding or editing.
    virtual void fieldEntered(const Field& f) { Q_UNUSED(f) }
    virtual void fieldLeft(const Field& f) { Q_UNUSED(f) }
    // Message for an empty required field; the label's caption + "不能为空!".
    virtual QString emptyMessage(const Field& f) const;
    // Extra checks of save after the required fields; false stops the save.
    virtual bool checkEntries() { return true; }
    // The record's texts to store, in field order: trimmed boxes, "1"/"0" for
    // check boxes. The lists and pickers have been copied into their boxes.
    virtual QStringList entryValues() const;
    // The values the frame's insert stores, where they differ from the list's.
    // A check box stores 1 or 0; where its flag is read as True, "-1" stores -1.
    virtual QStringList storedValues(const QStringList& values) const { return values; }
    // A value of the record's row that no field holds, bound as a field of
    // its kind is.
    struct StoredColumn {
        QString column;
        FieldKind kind = FieldKind::Text;
        QString value = {};
    };
    // Columns the insert writes after the fields' (a count kept in a hidden
    // box); none by default.
    virtual QList<StoredColumn> extraColumns() const { return {}; }
    // Inside the save's transaction: the record's own row.
    void insertRecord(const QStringList& values);
    // The saved record's list row, one text per grid column.
    virtual QStringList gridRowCells(const QStringList& values) const;
    // Inside the save's transaction, after the insert (detail tables).
    virtual void writeDetails(const QString& key, const QString& oldKey) { Q_UNUSED(key) Q_UNUSED(oldKey) }
    // Inside a transaction: the record itself (and its own detail rows).
    virtual void deleteRecord(const QString& key);
    // After a record is deleted: its grid row goes, the counter and the current row follow.
    void removeCurrentRow();
    // Inside the administrator's delete transaction: the rows that refer to the key.
    virtual void purgeReferences(const QString& key);
    virtual QString recordName(int row) const;
    // The question before deleting a record not in use; "真的要删除" + name + "吗?" by default.
    virtual QString deleteQuestion(const QString& name) const;
    virtual QString duplicateMessage(const QString& typedKey) const;
    // The search dialog's field table.
    virtual void fillSearchFields(Query& q);
    // The statement a finished search fills the list with: the dialog's own
    // by default; a window may add to it (a grouping).
    virtual QString searchStatement(const QString& found) const { return found; }
    // The search dialog has closed, found or cancelled, before a found
    // statement fills the list.
    virtual void searchClosed() {}
    // A list statement the engine refused (a bad search): shown with the
    // query-failure words, the list left as it was.
    virtual void listRefused(const DbError& e);

    // The key of the current grid row as the grid shows it.
    QString currentKey() const;
    bool listIsEmpty() const;
    // After a save: the saved record's row (one text per column) replaces
    // the edited one or counts as one more, editing ends, and that row, at
    // the end of the list, is the current one.
    void showSavedRow(const QStringList& cells);
    void setMenusForEditing(bool editing);
    // Puts a stored value into a field's box or check box (through shownText).
    void showValue(int pos, const QString& stored);
    // Copies the lists' codes (or texts) and the pickers' dates into their boxes.
    void copyEditorsToBoxes();
    // The value of one field as entryValues gives it.
    QString valueOf(int pos) const;

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool queryUnload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Controls, by the names the windows use; indexed by k (gaps are null).
    QTabBar* TabS;
    FlexGrid* GD;
    QFrame* Frm;
    QList<QLabel*> Lab;
    QList<QLineEdit*> Txt;
    QList<QComboBox*> Cmb;
    QList<QCheckBox*> Chk;
    QDateEdit* DTP = nullptr;
    QAction* Menu_Add;
    QAction* Menu_edit;
    QAction* Menu_del;
    QAction* Menu_query;
    QAction* Menu_save;
    QAction* Menu_cancel;
    QAction* Menu_Return;
    QAction* Menu_ToExcel = nullptr;
    QAction* Menu_print = nullptr;

    int EditMode = Browse;
    int CurRow = 1;
    int RecCount = 0;

    QString m_table;
    QString m_keyColumn;

private:
    class ListRest;
    // Up to `most` rows of the list into the store through addCell;
    // inCells is true while a row's cells are being added.
    qint64 readRows(ListReader& list, FlexTextStore& store, qint64 most, bool& inCells) const;
    // FillGrid's steps: a store with the header row; the list's statement
    // begun; its count where the engine gives it at once; the rest kept for
    // the grid; the list shown.
    FlexTextStore firstStore() const;
    std::unique_ptr<ListReader> beginList(const QString& statement);
    qint64 countAtOnce(ListReader& list) const;
    void keepRest(ListReader& list, FlexTextStore& store, qint64 counted, bool& inCells);
    void showList(FlexTextStore&& store, std::unique_ptr<ListReader> list, qint64 counted);
    // The list's last row has been taken (or taking them failed part way).
    void listEnded(const DbError* failure);
    // A list not counted took further rows.
    void listGrew();
    // A list shown uncounted has been counted: rowsLeft more rows than it holds.
    void listCounted(int rowsLeft);
    // This window is the one in front (the counter in panel 4 is its own).
    bool isFrontWindow() const;
    // The window is going: the rest of its list reads no further.
    void windowGoes();
    // The declaration with its unset parts filled in (index, grid column, label, host).
    Field withDefaults(const Field& declared) const;
    struct FieldControls {
        QLabel* lab = nullptr;
        QLineEdit* box = nullptr;
        QWidget* editor = nullptr; // list, picker or check box
        bool masked = false;
        // A formatted box shows its stored value rounded: while its text is
        // the one shown, the value saved is the stored one.
        QString stored;
        bool showsStored = false;
    };
    void TabS_Click(int index);
    void GD_DblClick();
    void placeInHost();
    void saveRecord();
    void applyMasks();
    void fillLists();
    void focusChanged(QWidget* old, QWidget* now);
    void watchEntry(QWidget* control);
    QWidget* entryControlFor(QWidget* w) const;
    void colour(QWidget* control, bool focused);
    void moveFocusOn(QWidget* from, bool forward = true);
    void restoreFocus(QWidget* control);

    QWidget* m_client;
    ListRest* m_rest = nullptr; // the rest of the list shown, while the grid holds it
    QList<Field> m_fields;
    QList<FieldControls> m_controls;
    QList<QPointer<QWidget>> m_extraEntries;
    QList<Reference> m_references;
    QList<QAction*> m_browseCommands;
    QStringList m_gridHeaders;
    QString m_listSql;
    QString m_searchHead;
    QString m_duplicateMessage;
    QString m_counterPrefix;
    QString m_readFailure;
    QPointer<QWidget> m_focusTarget;
    QPointer<QWidget> m_entered;
    bool m_inCommand = false;
    bool m_usesEditingFlag = true;
    bool m_placeInHost = true;
    int m_searchIndex = 1;
    int m_nameCol = 0;
    int m_keyGridCol = 0;
    int m_widthTwips = 4500;
    bool m_placed = false;
    bool m_inRowChange = false;
};
