#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>

class FlexGrid;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The search-condition dialog ("查找条件"), shared by the list windows.
//
// The operator builds a list of conditions (field, relation, value, joined
// to the previous one by "并且", "或者" or "排除"). "查 找" writes the base
// statement followed by the conditions into *loader; "取 消" writes "" there;
// the close box writes nothing.
//
// How a window calls it:
//
//     PubSql = "";
//     Query& q = Query::shared();
//     q.loader = &PubSql;                        // the caller's PubSql
//     q.SqlHeadstr = "Select M04.* from M04 ";   // ends with a blank
//     q.addField("姓名", "M04.F1", Query::TextField);
//     q.addField("日期", "M04.F3", Query::DateField);
//     q.CmbF->setCurrentIndex(0);                // fills the relations
//     ExecModal(q);
//     if (!PubSql.isEmpty()) FillGrid(PubSql);
//
// addField() is a shorthand: a caller may as well fill GD itself (three
// columns, no header row, row i = field i: caption, qualified field, type "0"
// text / "1" number / "2" date) and add the same captions to CmbF.
//
// Each showing starts afresh: when the dialog closes its field table, field
// list and conditions are emptied, as the next caller fills them anew.
class Query : public QDialog {
    Q_OBJECT
public:
    enum FieldType { TextField = 0, NumberField = 1, DateField = 2 };
    // How a text column holds "'": as typed, or turned into "’" as the names
    // cleaned by SqlText are. A value typed with "'" searches a sanitised
    // column in both spellings.
    enum class Stored { AsTyped, Sanitised };

    explicit Query(QWidget* parent = nullptr);

    // The one instance the windows share, created on first use.
    static Query& shared();

    // Where the result goes; normally the caller's PubSql. May stay null.
    QString* loader = nullptr;
    // The base SELECT, ending with a blank.
    QString SqlHeadstr;

    // Appends a row to GD and its caption to CmbF.
    void addField(const QString& caption, const QString& qualifiedField, FieldType type,
                  Stored stored = Stored::AsTyped);

    // The controls, by the names the windows and tests use.
    FlexGrid* GD;
    QComboBox* CmbF;
    QComboBox* CmbGX;
    QComboBox* CmbLG;
    QLineEdit* Txt;
    QDateEdit* DTP;
    QListWidget* Lst;
    QListWidget* LstSql;
    QLabel* CPT;
    QPushButton* CmdAdd;
    QPushButton* CmdRemove;
    QPushButton* CmdQuery;
    QPushButton* CmdCancel;

    // The statement "查 找" would write now.
    QString statement() const;

    // The button actions, also reached by the keys.
    void addCondition();
    void removeCondition();
    void runQuery();
    void cancel();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void fieldChosen(int index);
    void resetForm();
    int fieldType(int index) const;
    // The condition on a text field: the value, or both of its spellings.
    QString textCondition(const QString& field, const QString& op, const QString& value) const;

    QStringList m_sanitised; // qualified fields stored as SqlText cleans them
};
