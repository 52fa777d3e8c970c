#include "pricing/zone_window.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/globals.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "dialogs/lookups.h"
#include "dialogs/query.h"
#include "platform/flexgrid.h"
#include "platform/msgbox.h"
#include "platform/vb.h"
#include "pricing/place_editor.h"
#include "pricing/world_maps.h"
#include "pricing/zone_record.h"

#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>

namespace {
// The detail page is laid out for this width (pixels); the window is as wide.
constexpr int kPageWidth = 760;
} // namespace

ZoneWindow::ZoneWindow(const QString& name, const QString& table, const QString& placeTable, int englishBox,
                       QWidget* parent)
    : ListFrame(name, parent)
    , m_placeTable(placeTable)
    , m_englishBox(englishBox)
{
    setTable(table);
    setTabCaptions("区域列表", "区域资料");
    setWidthTwips(kPageWidth * 15);
    setNameColumn(1);
    FrmPrice = new QGroupBox(Frm);
    FrmPrice->setObjectName("FrmPrice");
}

void ZoneWindow::addCodeField(int codeGrid)
{
    addField({.label = "区域编号", .column = "F1", .maxLength = 8, .required = true, .labRect = Px(16, 17, 96, 20),
              .txtRect = Px(116, 14, 110, 22), .index = kZoneCode, .gridCol = codeGrid, .upperCase = true});
}

void ZoneWindow::addNameFields(int zhGrid, int enGrid, int daysBox, int daysGrid, int remarkBox, int remarkGrid)
{
    addField({.label = "区域概称(中文)", .column = "F2", .required = true, .labRect = Px(16, 47, 96, 20),
              .txtRect = Px(116, 44, 254, 22), .index = kZoneName, .gridCol = zhGrid});
    addField({.label = "区域概称(英文)", .column = "F4", .labRect = Px(16, 77, 96, 20), .txtRect = Px(116, 74, 254, 22),
              .index = m_englishBox, .gridCol = enGrid});
    // The English name is typed in Latin letters.
    txt(m_englishBox)->setInputMethodHints(Qt::ImhPreferLatin);
    addField({.label = "送达工作日", .column = "F6", .labRect = Px(16, 107, 96, 20), .txtRect = Px(116, 104, 80, 22),
              .searchType = 1, .index = daysBox, .gridCol = daysGrid, .kind = FieldKind::Number});
    addField({.label = "备注信息", .column = "F8", .labRect = Px(16, 137, 96, 20), .txtRect = Px(116, 134, 254, 44),
              .index = remarkBox, .gridCol = remarkGrid});
}

namespace {
// A price's caption and box on the price frame, in pixels.
constexpr int kPriceColumn = 182;
constexpr int kPriceLine = 27;
constexpr int kCaptionWidth = 106;
constexpr int kPriceWidth = 54;
int PriceX(int i) { return 12 + (i % 4) * kPriceColumn; }
int PriceY(int i) { return 24 + (i / 4) * kPriceLine; }
} // namespace

void ZoneWindow::addPriceField(int i, const QString& caption, const QString& column, int gridCol, const QString& format)
{
    const int x = PriceX(i), y = PriceY(i);
    addField({.label = caption, .column = column, .labRect = Px(x, y + 3, kCaptionWidth, 20),
              .txtRect = Px(x + kCaptionWidth, y, kPriceWidth, 22), .index = kFirstPrice + i, .gridCol = gridCol,
              .kind = FieldKind::Number, .host = FrmPrice, .format = format});
}

QRect ZoneWindow::priceFlagRect(int i)
{
    return Px(PriceX(i) + kCaptionWidth + kPriceWidth + 2, PriceY(i) + 2, 18, 18);
}

void ZoneWindow::finishDetailPage(int placesTop)
{
    m_places = new PlaceEditor(m_placeTable, Frm);
    m_places->setGeometry(8, placesTop, kPageWidth - 20, 150);
    m_places->setZoneNames([this] {
        return std::make_pair(Txt.value(kZoneName)->text(), Txt.value(m_englishBox)->text());
    });
    m_maps = new WorldMaps(Frm);
    m_maps->moveTo(kPageWidth - 250, 4);
}

void ZoneWindow::sizeColumns(int gridWidthTwips)
{
    // Code, names, delivery time and remark share the list; the prices are
    // carried in columns of no width for the detail page.
    for (int c = 0; c < GD->cols(); ++c)
        GD->setColWidth(c, c < 5 ? gridWidthTwips / 5 : 0);
}

void ZoneWindow::prepareEditors(int mode)
{
    ListFrame::prepareEditors(mode);
    if (m_places)
        m_places->setEditing(mode != Browse);
}

void ZoneWindow::recordShown()
{
    m_places->LoadPlaceNames(Txt.value(kZoneCode)->text());
}

void ZoneWindow::Menu_Add_Click()
{
    ListFrame::Menu_Add_Click();
    m_places->SetupPlaceGrid();
}

void ZoneWindow::fieldEntered(const Field& f)
{
    // A new zone's names start from its code.
    QLineEdit* box = Txt.value(f.index);
    if (!box)
        return;
    const QString code = Txt.value(kZoneCode)->text();
    if (box->text().isEmpty() && !code.isEmpty()) {
        if (f.index == kZoneName)
            box->setText(LangStr("区域") + code);
        else if (f.index == m_englishBox)
            box->setText("Zone " + code);
    }
    box->selectAll();
}

void ZoneWindow::addZoneSearchFields(Query& q) const
{
    q.addField("区域编号", m_table + ".F1", Query::TextField);
    q.addField("区域概称(中文)", m_table + ".F2", Query::TextField);
    q.addField("区域概称(英文)", m_table + ".F4", Query::TextField);
    q.addField("送达时日", m_table + ".F6", Query::NumberField);
    q.addField("备注", m_table + ".F8", Query::TextField);
}

bool ZoneWindow::checkPlaces()
{
    if (m_places->hasPlace())
        return true;
    MsgBox(LangStr("请输入该区域包含的具体地区名！"), vbStyle::Information, gMsgTitle);
    return false;
}

bool ZoneWindow::checkPrices(int firstBox, int lastBox, const QString& negativeMessage)
{
    // An empty box counts as 0 and passes; a hidden one is checked too.
    for (int k = firstBox; k <= lastBox; ++k) {
        if (Val(Txt.value(k)->text()) < 0) {
            MsgBox(negativeMessage, vbStyle::Information, gMsgTitle);
            return false;
        }
    }
    return true;
}

void ZoneWindow::writeDetails(const QString& key, const QString& oldKey)
{
    Q_UNUSED(oldKey) // its places went with its row (deleteRecord)
    // The grid is the zone's whole list of places.
    SaveZonePlaces(Db(), m_placeTable, key, m_places->places());
}

void ZoneWindow::deleteRecord(const QString& key)
{
    ListFrame::deleteRecord(key);
    DeleteZonePlaces(Db(), m_placeTable, key);
}

QString ZoneWindow::duplicateMessage(const QString& typedKey) const
{
    const QString owner = GetStr(QStringLiteral("select F2 from %1 where F1=%2").arg(m_table, SqlQuote(TrimBlanks(typedKey))));
    return "[" + owner + "]" + LangStr("已经使用了") + typedKey + LangStr("这个编号，请重新设置编号!");
}

void ZoneWindow::listRefused(const DbError& e)
{
    // The engine's text alone; the list keeps what it showed.
    MsgBox(e.message(), vbStyle::Information, gMsgTitle);
}

QStringList ZoneWindow::gridRowCells(const QStringList& values) const
{
    // The list shows the numbers as they were stored.
    QStringList shown = values;
    for (int pos = 0; pos < fieldCount() && pos < shown.size(); ++pos) {
        if (field(pos).kind == FieldKind::Number)
            shown[pos] = CStr(Val(values[pos]));
    }
    return ListFrame::gridRowCells(shown);
}
