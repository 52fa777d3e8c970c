#pragma once
#include "platform/mainhost.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class FlexGrid;
class Query;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QTabBar;
class RecordSet;

// The list/detail window: a tab strip `TabS` whose first tab lists the table
// in the grid `GD` and whose second shows one record in `Lab(i)`/`Txt(i)` on
// the frame `Frm`; the commands add, edit, delete, search, save, cancel and
// return (optionally export and print); browse, add and edit modes; the record
// counter in panel 4 of the main window; the close guard while editing.
//
// A window configures it in its constructor:
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
// and overrides the virtual procedures and hooks where it departs from the
// plain two-box list (more controls, formatted cells, detail tables...).
// Column i of the grid is field i of the list statement and box Txt(i).
class ListFrame : public ChildWindow {
    Q_OBJECT
public:
    // One field of the record: a grid column and, on the detail page, a label
    // and an entry box (placed when its rectangles are given, in twips).
    struct Field {
        QString header = {};  // grid column header
        QString label = {};   // caption of Lab(i)
        QString column = {};  // table column written by the insert
        int maxLength = 0;    // most characters Txt(i) takes; 0: no limit
        bool required = false;
        QRect labRect = {};
        QRect txtRect = {};
        int searchType = 0;   // 0 text, 1 number, 2 date
        QString searchField = {}; // qualified name for the search; "" = table.column
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
    QLineEdit* txt(int i) const { return Txt.value(i); }
    int fieldCount() const { return int(m_fields.size()); }
    const Field& field(int i) const { return m_fields[i]; }

    // The window's load step: language hook, browse mode, first fill.
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
    // Text put in front of the record counter ("速递单：" in the waybill list).
    void setCounterPrefix(const QString& prefix) { m_counterPrefix = prefix; }
    // Off for a window whose editing neither sets gEditing nor guards closing.
    void setUsesEditingFlag(bool on) { m_usesEditingFlag = on; }
    int addField(const Field& f);
    // Optional commands: export ("&T.导出数据", in front of return unless
    // `before` names another entry) and print ("&P.打印", in front of save).
    QAction* addExportCommand(const QString& objectName = QStringLiteral("Menu_ToExcel"), QAction* before = nullptr);
    QAction* addPrintCommand(const QString& objectName = QStringLiteral("Menu_print"), QAction* before = nullptr);
    // A command of the window's own that, like add and delete, is only
    // available while browsing.
    void addBrowseCommand(QAction* command) { m_browseCommands.append(command); }

    // --- hooks
    // Columns of the grid; the fields by default.
    virtual int gridCols() const { return int(m_fields.size()); }
    // Header text of a grid column; the field's header by default.
    virtual QString headerText(int col) const;
    // Text of one cell filled from the list statement.
    virtual QString cellText(const RecordSet& rs, int row, int col) const;
    // Column widths for a grid this wide; equal shares by default.
    virtual void sizeColumns(int gridWidthTwips);
    // Extra checks of save after the required boxes; false stops the save.
    virtual bool checkEntries() { return true; }
    // The record's texts to store, in field order; the trimmed boxes by default.
    virtual QStringList entryValues() const;
    virtual QString insertStatement(const QStringList& values) const;
    virtual QString gridRowText(const QStringList& values) const;
    // Inside the save's transaction, after the insert (detail tables).
    virtual void writeDetails(const QString& key, const QString& oldKey) { Q_UNUSED(key) Q_UNUSED(oldKey) }
    // Inside a transaction: the record itself (and its own detail rows).
    virtual void deleteRecord(const QString& key);
    // After a record is deleted: its grid row goes, the counter and the current row follow.
    void removeCurrentRow();
    // Inside the administrator's delete transaction: the rows that refer to the key.
    virtual void purgeReferences(const QString& key);
    virtual QString recordName(int row) const;
    virtual QString duplicateMessage(const QString& typedKey) const;
    // The search dialog's field table.
    virtual void fillSearchFields(Query& q);

    // The key of the current grid row as the grid shows it.
    QString currentKey() const;
    bool listIsEmpty() const;
    void setMenusForEditing(bool editing);

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool queryUnload() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Controls, by the names the windows use.
    QTabBar* TabS;
    FlexGrid* GD;
    QFrame* Frm;
    QList<QLabel*> Lab;
    QList<QLineEdit*> Txt;
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
    void TabS_Click(int index);
    void GD_DblClick();
    void placeInHost();
    void saveRecord();

    QWidget* m_client;
    QList<Field> m_fields;
    QList<Reference> m_references;
    QList<QAction*> m_browseCommands;
    QString m_listSql;
    QString m_searchHead;
    QString m_duplicateMessage;
    QString m_counterPrefix;
    bool m_usesEditingFlag = true;
    int m_searchIndex = 1;
    int m_nameCol = 0;
    int m_widthTwips = 4500;
    bool m_placed = false;
    bool m_inRowChange = false;
};
