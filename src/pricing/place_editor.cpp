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
#include <algorithm>

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
    static const char* const kLabels[kPlaceBoxes] = {"中文名称", "英文名称", "备注信息"};
    for (int i = 0; i < kPlaceBoxes; ++i) {
        Lab[i] = new QLabel(QString::fromUtf8(kLabels[i]), FrmEddq);
        Lab[i]->setObjectName(QStringLiteral("Lab(%1)").arg(kFirstBoxNumber + i));
        Lab[i]->setGeometry(0, 4 + i * 30, kLabelWidth, 22);
        Txt[i] = new QLineEdit(FrmEddq);
        Txt[i]->setObjectName(QStringLiteral("Txt(%1)").arg(kFirstBoxNumber + i));
        Txt[i]->setGeometry(kLabelWidth, 4 + i * 30, kStripWidth - kLabelWidth, 22);
        Txt[i]->installEventFilter(this);
    }
    // The English name is typed in Latin letters.
    Txt[kEnglishName]->setInputMethodHints(Qt::ImhPreferLatin);
    static const char* const kButtons[2] = {"添加 >>", "<< 删除"};
    for (int i = 0; i < 2; ++i) {
        Cmd[i] = new QPushButton(QString::fromUtf8(kButtons[i]), this);
        Cmd[i]->setObjectName(QStringLiteral("Cmd(%1)").arg(i));
        ConnectGuarded(Cmd[i], &QPushButton::clicked, this, [this, i] { Cmd_Click(i); });
    }
    GDdq = new FlexGrid(this);
    GDdq->setObjectName("GDdq");
    GDdq->setFixedCols(0);
    GDdq->setSelectionByRow(true);
    ConnectGuarded(GDdq, &FlexGrid::rowColChange, this, [this] { GDdq_RowColChange(); });

    // Enter in the remark box leads to "添加 >>".
    setTabOrder(Txt[kChineseName], Txt[kEnglishName]);
    setTabOrder(Txt[kEnglishName], Txt[kPlaceRemark]);
    setTabOrder(Txt[kPlaceRemark], Cmd[kAdd]);
    setTabOrder(Cmd[kAdd], Cmd[kRemove]);
    setTabOrder(Cmd[kRemove], GDdq);

    SetupPlaceGrid();
    setEditing(false);
}

void PlaceEditor::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    const QRect r = contentsRect().adjusted(6, 4, -6, -6);
    FrmEddq->setGeometry(r.x(), r.y(), kStripWidth, 100);
    const int bx = r.x() + kStripWidth + 8;
    Cmd[kAdd]->setGeometry(bx, r.y() + 16, kButtonWidth, 26);
    Cmd[kRemove]->setGeometry(bx, r.y() + 52, kButtonWidth, 26);
    // The grid keeps its place whether or not the strip is shown.
    const int gx = bx + kButtonWidth + 8;
    GDdq->setGeometry(gx, r.y(), std::max(30, r.right() - gx), std::max(30, r.height()));
    sizeColumns();
}

void PlaceEditor::sizeColumns()
{
    const int each = PxToTwips(GDdq->width()) / kPlaceBoxes - 50;
    for (int c = 0; c < kPlaceBoxes; ++c)
        GDdq->setColWidth(c, std::max(0, each));
}

void PlaceEditor::SetupPlaceGrid()
{
    GDdq->clear();
    GDdq->setCols(kPlaceBoxes);
    GDdq->setRows(2);
    static const char* const kHeaders[kPlaceBoxes] = {"中文名称", "英文名称", "备注"};
    for (int c = 0; c < kPlaceBoxes; ++c) {
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
    std::vector<QString> cells(size_t(n + 2) * kPlaceBoxes);
    for (int c = 0; c < kPlaceBoxes; ++c)
        cells[size_t(c)] = GDdq->textMatrix(0, c);
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < kPlaceBoxes; ++c)
            cells[size_t(r + 1) * kPlaceBoxes + c] = TrimBlanks(rs.at(r, c).toString());
    GDdq->setAll(n + 2, kPlaceBoxes, std::move(cells));
    sizeColumns();
}

void PlaceEditor::setEditing(bool editing)
{
    m_editing = editing;
    FrmEddq->setVisible(editing);
    Cmd[kAdd]->setVisible(editing);
    Cmd[kRemove]->setVisible(editing);
    if (editing) {
        for (QLineEdit* box : Txt)
            box->clear();
    }
}

void PlaceEditor::Cmd_Click(int index)
{
    if (TrimBlanks(Txt[kChineseName]->text()).isEmpty()) {
        Txt[kChineseName]->setFocus();
        return;
    }
    if (index == kAdd)
        addPlace();
    else
        removePlace();
}

int PlaceEditor::findPlace() const
{
    // An exact comparison: Paris and PARIS are two places.
    const QString name = TrimBlanks(Txt[kChineseName]->text());
    for (int r = 1; r < GDdq->rows(); ++r) {
        if (TrimBlanks(GDdq->textMatrix(r, kChineseName)) == name)
            return r;
    }
    return 0;
}

void PlaceEditor::addPlace()
{
    if (const int found = findPlace()) {
        GDdq->setRow(found);
        GDdq_RowColChange();
        MsgBox(LangStr("已经录入了“") + Txt[kChineseName]->text() + LangStr("”！"), vbStyle::Information, gMsgTitle);
        Txt[kChineseName]->setFocus();
        return;
    }
    const int last = GDdq->rows() - 1;
    for (int c = 0; c < kPlaceBoxes; ++c)
        GDdq->setTextMatrix(last, c, TrimBlanks(Txt[c]->text()));
    GDdq->setRow(last);
    GDdq_RowColChange();
    GDdq->setRows(last + 2);
    Txt[kChineseName]->setFocus();
    // The focus may already be there; the next name is typed over this one.
    Txt[kChineseName]->selectAll();
}

void PlaceEditor::removePlace()
{
    const int found = findPlace();
    if (!found) {
        MsgBox(LangStr("不存在地区“") + Txt[kChineseName]->text() + LangStr("”!"), vbStyle::Information, gMsgTitle);
        Txt[kChineseName]->setFocus();
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
    for (int c = 0; c < kPlaceBoxes; ++c)
        Txt[c]->setText(r >= 1 && r < GDdq->rows() ? GDdq->textMatrix(r, c) : QString());
}

bool PlaceEditor::hasPlace() const
{
    return GDdq->rows() > 1 && !TrimBlanks(GDdq->textMatrix(1, kChineseName)).isEmpty();
}

QList<PlaceEditor::Place> PlaceEditor::places() const
{
    QList<Place> out;
    for (int r = 1; r <= GDdq->rows() - 2; ++r)
        out.append(
            {GDdq->textMatrix(r, kChineseName), GDdq->textMatrix(r, kEnglishName), GDdq->textMatrix(r, kPlaceRemark)});
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
    const int i = int(std::find(std::begin(Txt), std::end(Txt), box) - std::begin(Txt));
    if (!box || i == kPlaceBoxes)
        return QGroupBox::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::FocusIn: {
        // A zone's first place is most often the zone itself.
        if (i == kChineseName && m_editing && GDdq->rows() == 2 && Txt[kEnglishName]->text().isEmpty() && m_zoneNames) {
            const auto [zh, en] = m_zoneNames();
            Txt[kChineseName]->setText(zh);
            Txt[kEnglishName]->setText(en);
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
            if (i == kPlaceRemark) {
                Cmd[kAdd]->setFocus(Qt::TabFocusReason);
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
