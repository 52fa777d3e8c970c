#include "pricing/place_editor.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "data/statement.h"
#include "dialogs/error_boundary.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "pricing/zone_record.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Geometry of the entry strip and the buttons beside it, in pixels.
constexpr int kStripWidth = 196;
constexpr int kLabelWidth = 54;
constexpr int kButtonWidth = 72;
} // namespace

PlaceEditor::PlaceEditor(const QString& placeTable, QWidget* parent)
    : QGroupBox(QStringLiteral("包含地区"), parent)
    , m_table(placeTable)
{
    setObjectName("FrmDq");
    FrmEddq = new QFrame(this);
    FrmEddq->setObjectName("FrmEddq");
    static const char* const kLabels[3] = {"中文名称", "英文名称", "备注信息"};
    for (int i = 0; i < 3; ++i) {
        Lab[i] = new QLabel(QString::fromUtf8(kLabels[i]), FrmEddq);
        Lab[i]->setObjectName(QStringLiteral("Lab(%1)").arg(6 + i));
        Lab[i]->setGeometry(0, 4 + i * 30, kLabelWidth, 22);
        Txt[i] = new QLineEdit(FrmEddq);
        Txt[i]->setObjectName(QStringLiteral("Txt(%1)").arg(6 + i));
        Txt[i]->setGeometry(kLabelWidth, 4 + i * 30, kStripWidth - kLabelWidth, 22);
        Txt[i]->installEventFilter(this);
    }
    // The English name is typed in Latin letters.
    Txt[1]->setInputMethodHints(Qt::ImhPreferLatin);
    static const char* const kButtons[2] = {"添加 >>", "<< 删除"};
    for (int i = 0; i < 2; ++i) {
        Cmd[i] = new QPushButton(QString::fromUtf8(kButtons[i]), this);
        Cmd[i]->setObjectName(QStringLiteral("Cmd(%1)").arg(i));
        connect(Cmd[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    }
    GDdq = new FlexGrid(this);
    GDdq->setObjectName("GDdq");
    GDdq->setFixedCols(0);
    GDdq->setSelectionByRow(true);
    connect(GDdq, &FlexGrid::rowColChange, this, [this] { GDdq_RowColChange(); });

    // Enter in the remark box leads to "添加 >>".
    setTabOrder(Txt[0], Txt[1]);
    setTabOrder(Txt[1], Txt[2]);
    setTabOrder(Txt[2], Cmd[0]);
    setTabOrder(Cmd[0], Cmd[1]);
    setTabOrder(Cmd[1], GDdq);

    SetupPlaceGrid();
    setEditing(false);
}

void PlaceEditor::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    const QRect r = contentsRect().adjusted(6, 4, -6, -6);
    FrmEddq->setGeometry(r.x(), r.y(), kStripWidth, 100);
    const int bx = r.x() + kStripWidth + 8;
    Cmd[0]->setGeometry(bx, r.y() + 16, kButtonWidth, 26);
    Cmd[1]->setGeometry(bx, r.y() + 52, kButtonWidth, 26);
    // The grid keeps its place whether or not the strip is shown.
    const int gx = bx + kButtonWidth + 8;
    GDdq->setGeometry(gx, r.y(), std::max(30, r.right() - gx), std::max(30, r.height()));
    sizeColumns();
}

void PlaceEditor::sizeColumns()
{
    const int each = PxToTwips(GDdq->width()) / 3 - 50;
    for (int c = 0; c < 3; ++c)
        GDdq->setColWidth(c, std::max(0, each));
}

void PlaceEditor::SetupPlaceGrid()
{
    GDdq->clear();
    GDdq->setCols(3);
    GDdq->setRows(2);
    static const char* const kHeaders[3] = {"中文名称", "英文名称", "备注"};
    for (int c = 0; c < 3; ++c) {
        GDdq->setTextMatrix(0, c, LangStr(QString::fromUtf8(kHeaders[c])));
        GDdq->setFixedAlignment(c, Qt::AlignCenter);
    }
    sizeColumns();
    GDdq->setRow(1);
}

void PlaceEditor::LoadPlaceNames(const QString& zoneCode)
{
    SetupPlaceGrid();
    RecordSet rs;
    const bool read = RunGuarded(LangStr("读取地区失败!系统返回如下信息："), [&] {
        rs = Db().openRecordset(QStringLiteral("select F1,F2,F8 FROM %1 WHERE F0=%2").arg(m_table, SqlQuote(TrimBlanks(zoneCode))));
    });
    if (!read || rs.recordCount() == 0)
        return;
    const int n = rs.recordCount();
    std::vector<QString> cells(size_t(n + 2) * 3);
    for (int c = 0; c < 3; ++c)
        cells[size_t(c)] = GDdq->textMatrix(0, c);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < 3; ++c)
            cells[size_t(r + 1) * 3 + c] = TrimBlanks(rs.at(r, c).toString());
    GDdq->setAll(n + 2, 3, std::move(cells));
    sizeColumns();
}

void PlaceEditor::setEditing(bool editing)
{
    m_editing = editing;
    FrmEddq->setVisible(editing);
    Cmd[0]->setVisible(editing);
    Cmd[1]->setVisible(editing);
    if (editing) {
        for (QLineEdit* box : Txt)
            box->clear();
    }
}

void PlaceEditor::Cmd_Click(int index)
{
    if (TrimBlanks(Txt[0]->text()).isEmpty()) {
        Txt[0]->setFocus();
        return;
    }
    if (index == 0)
        addPlace();
    else
        removePlace();
}

int PlaceEditor::findPlace() const
{
    // An exact comparison: Paris and PARIS are two places.
    const QString name = TrimBlanks(Txt[0]->text());
    for (int r = 1; r < GDdq->rows(); ++r) {
        if (TrimBlanks(GDdq->textMatrix(r, 0)) == name)
            return r;
    }
    return 0;
}

void PlaceEditor::addPlace()
{
    if (const int found = findPlace()) {
        GDdq->setRow(found);
        GDdq_RowColChange();
        MsgBox(LangStr("已经录入了“") + Txt[0]->text() + LangStr("”！"), vbStyle::Information, gMsgTitle);
        Txt[0]->setFocus();
        return;
    }
    const int last = GDdq->rows() - 1;
    for (int c = 0; c < 3; ++c)
        GDdq->setTextMatrix(last, c, TrimBlanks(Txt[c]->text()));
    GDdq->setRow(last);
    GDdq_RowColChange();
    GDdq->setRows(last + 2);
    Txt[0]->setFocus();
    // The focus may already be there; the next name is typed over this one.
    Txt[0]->selectAll();
}

void PlaceEditor::removePlace()
{
    const int found = findPlace();
    if (!found) {
        MsgBox(LangStr("不存在地区“") + Txt[0]->text() + LangStr("”!"), vbStyle::Information, gMsgTitle);
        Txt[0]->setFocus();
        return;
    }
    // Removing a row moves the current row: the boxes keep what was typed.
    m_removing = true;
    GDdq->removeItem(found);
    m_removing = false;
}

void PlaceEditor::GDdq_RowColChange()
{
    if (m_removing)
        return;
    const int r = GDdq->row();
    GDdq->setRowSel(r);
    for (int c = 0; c < 3; ++c)
        Txt[c]->setText(r >= 1 && r < GDdq->rows() ? GDdq->textMatrix(r, c) : QString());
}

bool PlaceEditor::hasPlace() const
{
    return GDdq->rows() > 1 && !TrimBlanks(GDdq->textMatrix(1, 0)).isEmpty();
}

QList<PlaceEditor::Place> PlaceEditor::places() const
{
    QList<Place> out;
    for (int r = 1; r <= GDdq->rows() - 2; ++r)
        out.append({GDdq->textMatrix(r, 0), GDdq->textMatrix(r, 1), GDdq->textMatrix(r, 2)});
    return out;
}

void PlaceEditor::deletePlaces(const QString& zoneCode) const
{
    DeleteZonePlaces(Db(), m_table, zoneCode);
}

void PlaceEditor::insertPlaces(const QString& zoneCode) const
{
    SaveZonePlaces(Db(), m_table, zoneCode, places());
}

bool PlaceEditor::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    const int i = box == Txt[0] ? 0 : box == Txt[1] ? 1 : box == Txt[2] ? 2 : -1;
    if (i < 0)
        return QGroupBox::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // A zone's first place is most often the zone itself.
        if (i == 0 && m_editing && GDdq->rows() == 2 && Txt[1]->text().isEmpty() && m_zoneNames) {
            const auto [zh, en] = m_zoneNames();
            Txt[0]->setText(zh);
            Txt[1]->setText(en);
        }
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, VbColor(kFocusColor));
        box->setPalette(pal);
        box->selectAll();
        break;
    }
    case QEvent::FocusOut: {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, VbColor(kWindowColor));
        box->setPalette(pal);
        break;
    }
    case QEvent::KeyPress: {
        auto* ke = static_cast<QKeyEvent*>(event);
        if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && !(ke->modifiers() & ~Qt::KeypadModifier)) {
            if (i == 2) {
                Cmd[0]->setFocus(Qt::TabFocusReason);
            } else {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QApplication::sendEvent(box, &tab);
            }
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QGroupBox::eventFilter(watched, event);
}
