#pragma once
#include "pricing/zone_record.h"

#include <QGroupBox>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

class FlexGrid;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The places a zone covers, on the zone windows' detail page: the frame
// `FrmDq` "包含地区" with the grid `GDdq` (Chinese name, English name, remark;
// the zone's places followed by exactly one blank row) and, while a zone is
// added or edited, the entry strip `FrmEddq` with Txt(6), Txt(7), Txt(8) and
// the buttons Cmd(0) "添加 >>" and Cmd(1) "<< 删除".
//
// The editor works on the grid only; the hosting window's save writes the
// rows into the place table (M021 or M0111) through the zone record
// inside its own transaction, and a cancel shows the zone again.
class PlaceEditor : public QGroupBox {
    Q_OBJECT
public:
    using Place = ZonePlace;
    // The zone's Chinese and English names, offered for its first place.
    using ZoneNames = std::function<std::pair<QString, QString>()>;

    PlaceEditor(const QString& placeTable, QWidget* parent);

    void setZoneNames(ZoneNames names) { m_zoneNames = std::move(names); }

    // An empty grid: the header and the blank row.
    void SetupPlaceGrid();
    // The stored places of a zone (its code is trimmed here).
    void LoadPlaceNames(const QString& zoneCode);
    // 0 "添加 >>", 1 "<< 删除".
    void Cmd_Click(int index);
    // Add and edit mode show the entry strip with empty boxes; browse hides it.
    void setEditing(bool editing);

    // The first place row holds a Chinese name.
    bool hasPlace() const;
    // The place rows, in grid order.
    QList<Place> places() const;
    // Inside the caller's transaction; throw DbError. insertPlaces replaces
    // whatever the zone held.
    void deletePlaces(const QString& zoneCode) const;
    void insertPlaces(const QString& zoneCode) const;

    FlexGrid* GDdq;
    QFrame* FrmEddq;
    QLabel* Lab[3];     // Lab(6)..Lab(8)
    QLineEdit* Txt[3];  // Txt(6)..Txt(8)
    QPushButton* Cmd[2];

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void GDdq_RowColChange();
    void addPlace();
    void removePlace();
    // First row whose trimmed Chinese name equals the trimmed Txt(6); 0 when none.
    int findPlace() const;
    void sizeColumns();

    QString m_table;
    ZoneNames m_zoneNames;
    bool m_editing = false;
    bool m_removing = false;
};
