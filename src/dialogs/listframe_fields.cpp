#include "dialogs/listframe.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/codelist.h"
#include "dialogs/error_boundary.h"
#include "platform/date_picker.h"
#include "platform/platform.h"
#include "platform/vb.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

// The field model: the declared fields, the controls made for them, and the
// record's values read from and written to them.

namespace {

using Field = ListFrame::Field;

QRect TwipsRect(const QRect& r)
{
    return QRect(TwipsToPx(r.x()), TwipsToPx(r.y()), TwipsToPx(r.width()), TwipsToPx(r.height()));
}

template <class T>
void PutAt(QList<T*>& list, int k, T* item)
{
    while (list.size() <= k)
        list.append(nullptr);
    list[k] = item;
}

QCheckBox* NewCheckBox(const Field& f)
{
    auto* chk = new QCheckBox(f.label, f.host);
    chk->setObjectName(f.editorName.isEmpty() ? QStringLiteral("Chk(%1)").arg(f.index) : f.editorName);
    chk->setEnabled(false);
    if (!f.txtRect.isEmpty())
        chk->setGeometry(TwipsRect(f.txtRect));
    return chk;
}

QLabel* NewLabel(const Field& f)
{
    auto* lab = new QLabel(f.label, f.host);
    lab->setObjectName(QStringLiteral("Lab(%1)").arg(f.labIndex));
    if (!f.labRect.isEmpty())
        lab->setGeometry(TwipsRect(f.labRect));
    return lab;
}

QLineEdit* NewBox(const Field& f, bool named)
{
    auto* box = new QLineEdit(f.host);
    box->setObjectName(named ? f.editorName : QStringLiteral("Txt(%1)").arg(f.index));
    box->setReadOnly(true);
    if (f.maxLength > 0 || f.upperCase)
        SetTypingRules(box, f.maxLength, f.upperCase);
    if (!f.txtRect.isEmpty()) {
        box->setGeometry(TwipsRect(f.txtRect));
        // A tall box (a remark) starts its text at the top.
        if (f.txtRect.height() > 400)
            box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    if (!f.visible)
        box->hide();
    if (!f.tabStop)
        box->setFocusPolicy(Qt::ClickFocus);
    return box;
}

QComboBox* NewList(const Field& f)
{
    auto* list = new QComboBox(f.host);
    list->setObjectName(f.editorName.isEmpty() ? QStringLiteral("Cmb(%1)").arg(f.index) : f.editorName);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(f.items);
    list->setCurrentIndex(-1);
    if (!f.txtRect.isEmpty())
        list->setGeometry(TwipsRect(f.txtRect));
    list->hide();
    return list;
}

DatePicker* NewDateEditor(const Field& f)
{
    auto* date = new DatePicker(f.host);
    date->setObjectName(f.editorName.isEmpty() ? QStringLiteral("DTP") : f.editorName);
    date->setDate(QDate::currentDate());
    if (!f.txtRect.isEmpty())
        date->setGeometry(TwipsRect(f.txtRect));
    date->hide();
    return date;
}

} // namespace

int ListFrame::addField(const Field& declared)
{
    const Field f = withDefaults(declared);
    const int pos = int(m_fields.size());
    const int k = f.index;
    FieldControls c;
    if (f.editor == FieldEditor::Check) {
        auto* chk = NewCheckBox(f);
        PutAt(Chk, k, chk);
        c.editor = chk;
    } else {
        QLabel* lab = Lab.value(f.labIndex);
        if (!lab && (!f.label.isEmpty() || !f.labRect.isEmpty())) {
            lab = NewLabel(f);
            PutAt(Lab, f.labIndex, lab);
        }
        c.lab = lab;
        // A box of another name (a remark line, a hidden count) is not one of Txt().
        const bool named = f.editor == FieldEditor::Box && !f.editorName.isEmpty();
        c.box = NewBox(f, named);
        if (!f.format.isEmpty())
            ConnectGuarded(c.box, &QLineEdit::textChanged, this, [this, pos] { m_controls[pos].showsStored = false; });
        watchEntry(c.box);
        if (!named)
            PutAt(Txt, k, c.box);
        if (f.editor == FieldEditor::List) {
            auto* list = NewList(f);
            PutAt(Cmb, k, list);
            c.editor = list;
        } else if (f.editor == FieldEditor::Date) {
            auto* date = NewDateEditor(f);
            if (!DTP)
                DTP = date;
            c.editor = date;
        }
    }
    if (c.editor) {
        if (!f.tabStop)
            c.editor->setFocusPolicy(Qt::ClickFocus);
        watchEntry(c.editor);
    }
    m_fields.append(f);
    m_controls.append(c);
    return pos;
}

ListFrame::Field ListFrame::withDefaults(const Field& declared) const
{
    Field f = declared;
    if (f.index < 0)
        f.index = m_fields.isEmpty() ? 0 : m_fields.last().index + 1;
    if (f.gridCol == kGridColumnOfIndex)
        f.gridCol = f.editor == FieldEditor::Check ? kNoGridColumn : f.index;
    if (f.labIndex < 0)
        f.labIndex = f.index;
    if (!f.host)
        f.host = Frm;
    return f;
}

void ListFrame::addEntryControl(QWidget* control)
{
    if (!control || m_extraEntries.contains(control))
        return;
    m_extraEntries.append(control);
    watchEntry(control);
}

int ListFrame::fieldOf(const QWidget* control) const
{
    if (!control)
        return -1;
    for (int pos = 0; pos < m_controls.size(); ++pos) {
        if (m_controls[pos].box == control || m_controls[pos].editor == control)
            return pos;
    }
    return -1;
}

void ListFrame::applyMasks()
{
    const bool admin = gUserCode == QLatin1String(kAdminCode);
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const Field& f = m_fields[pos];
        FieldControls& c = m_controls[pos];
        c.masked = ((f.mask & FieldMask::WithoutPriceRight) && !gCanSeePrices)
            || ((f.mask & FieldMask::NotAdministrator) && !admin);
        if (c.masked && c.box)
            ShowAsStars(c.box);
    }
}

void ListFrame::fillLists()
{
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const Field& f = m_fields[pos];
        auto* list = qobject_cast<QComboBox*>(m_controls[pos].editor);
        if (!list || f.listSql.isEmpty())
            continue;
        try {
            FillCodeList(list, f.listSql, f.listWithName);
            list->addItems(f.items);
            list->setCurrentIndex(-1);
        } catch (const DbError& e) {
            ShowDbFailure(LangStr(QString::fromUtf8(kQueryFailure)), e);
        }
    }
}

QString ListFrame::shownText(const Field& f, const QString& stored) const
{
    if (!f.format.isEmpty() && !TrimBlanks(stored).isEmpty())
        return Format(Val(stored), f.format);
    return stored;
}

void ListFrame::showValue(int pos, const QString& stored)
{
    FieldControls& c = m_controls[pos];
    if (auto* chk = qobject_cast<QCheckBox*>(c.editor); chk && !c.box) {
        chk->setChecked(Val(stored) != 0);
    } else if (c.box) {
        c.box->setText(shownText(m_fields[pos], stored));
        // After setText, whose change forgets the value shown before.
        c.stored = stored;
        c.showsStored = !m_fields[pos].format.isEmpty();
    }
}

void ListFrame::copyEditorsToBoxes()
{
    for (int pos = 0; pos < m_fields.size(); ++pos) {
        const FieldControls& c = m_controls[pos];
        if (!c.box)
            continue;
        if (auto* list = qobject_cast<QComboBox*>(c.editor)) {
            const QString text = TrimBlanks(list->currentText());
            c.box->setText(m_fields[pos].kind == FieldKind::Code ? CodeOf(text) : text);
        } else if (auto* date = qobject_cast<QDateEdit*>(c.editor)) {
            c.box->setText(DateText(date->date()));
        }
    }
}

QString ListFrame::valueOf(int pos) const
{
    const FieldControls& c = m_controls[pos];
    if (!c.box) {
        auto* chk = qobject_cast<QCheckBox*>(c.editor);
        return chk && chk->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    // A rounded price the operator left alone keeps the value it stands for.
    return TrimBlanks(c.showsStored ? c.stored : c.box->text());
}

QStringList ListFrame::entryValues() const
{
    QStringList values;
    values.reserve(m_fields.size());
    for (int pos = 0; pos < m_fields.size(); ++pos)
        values << valueOf(pos);
    return values;
}

namespace {

// A stored text bound as a value of its kind: a date as the stored date
// and time, an empty one as Null.
void BindValue(Statement& st, int param, FieldKind kind, const QString& v)
{
    if (kind == FieldKind::Number) {
        st.bindLiteralNumber(param, Val(v));
    } else if (kind == FieldKind::Date) {
        const auto when = ParseDateText(v);
        if (when)
            st.bind(param, DateTimeText(*when));
        else if (v.isEmpty())
            st.bindNull(param);
        else
            st.bind(param, v);
    } else {
        st.bind(param, v);
    }
}

} // namespace

void ListFrame::insertRecord(const QStringList& values)
{
    const QStringList stored = storedValues(values);
    const QList<StoredColumn> extra = extraColumns();
    QStringList cols, params;
    QList<int> bound;
    for (int pos = 0; pos < m_fields.size() && pos < stored.size(); ++pos) {
        if (m_fields[pos].column.isEmpty())
            continue;
        cols << m_fields[pos].column;
        bound << pos;
    }
    for (const StoredColumn& c : extra)
        cols << c.column;
    for (int param = 1; param <= cols.size(); ++param)
        params << QStringLiteral("?%1").arg(param);
    Statement st(Db(), QStringLiteral("insert into %1 (%2) values (%3)").arg(m_table, cols.join(','), params.join(',')));
    int param = 0;
    for (const int pos : std::as_const(bound)) {
        const Field& f = m_fields[pos];
        const QString& v = stored[pos];
        if (f.editor == FieldEditor::Check)
            st.bindInt64(++param, v == QLatin1String("-1") ? -1 : v == QLatin1String("1") ? 1 : 0);
        else
            BindValue(st, ++param, f.kind, v);
    }
    for (const StoredColumn& c : extra)
        BindValue(st, ++param, c.kind, c.value);
    st.run();
}

QStringList ListFrame::gridRowCells(const QStringList& values) const
{
    QStringList cells(gridCols());
    for (int pos = int(m_fields.size()) - 1; pos >= 0; --pos) {
        const int col = m_fields[pos].gridCol;
        if (col >= 0 && col < cells.size() && pos < values.size())
            cells[col] = values[pos];
    }
    return cells;
}

QString ListFrame::emptyMessage(const Field& f) const
{
    const QLabel* lab = Lab.value(f.labIndex);
    return (lab ? lab->text() : f.label) + LangStr("不能为空!");
}

