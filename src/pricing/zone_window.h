#pragma once
#include "dialogs/listframe.h"

class PlaceEditor;
class QGroupBox;
class WorldMaps;

// What the company zones (A02) and the channel zones (A011) share: tabs
// "区域列表"/"区域资料"; the zone code Txt(0) (8 characters, capitals) and
// the Chinese name Txt(1), both required; a frame `FrmPrice` of price boxes;
// the place-name editor `FrmDq` whose rows are written with the zone; the
// two hemisphere pictures; print that does nothing; no test of use, so any
// zone may be deleted or renamed, its places going or moving with it.
//
// A zone window declares its fields (prices on `FrmPrice`), then calls
// finishDetailPage(), and checks its own entries with checkPlaces() and
// checkPrices().
class ZoneWindow : public ListFrame {
    Q_OBJECT
public:
    // The boxes Txt(k) both zone windows have.
    enum ZoneBox {
        kZoneCode = 0,
        kZoneName = 1,    // the Chinese name
        kFirstPrice = 9,  // price i on FrmPrice is Txt(kFirstPrice + i)
        kSegmentBase = 12 // heavy segment k (from 1) is Txt(kSegmentBase + k)
    };

    PlaceEditor* placeEditor() const { return m_places; }
    WorldMaps* worldMaps() const { return m_maps; }

    void Menu_Add_Click() override;
    void Menu_print_Click() override {}

protected:
    // englishBox: k of the English zone name, prefilled "Zone " + code.
    ZoneWindow(const QString& name, const QString& table, const QString& placeTable, int englishBox,
               QWidget* parent = nullptr);

    // The zone code Txt(0) shown in list column codeGrid, in the top line.
    void addCodeField(int codeGrid);
    // Below it: the Chinese and English names, delivery days and remark,
    // each with its box and list column (the Chinese name is Txt(1)).
    void addNameFields(int zhGrid, int enGrid, int daysBox, int daysGrid, int remarkBox, int remarkGrid);
    // Price box Txt(9 + i) with its caption, the i-th on `FrmPrice`, four
    // to a line, every box in its line's column.
    void addPriceField(int i, const QString& caption, const QString& column, int gridCol,
                       const QString& format = QString());
    // Where a check box right of price box i stands.
    static QRect priceFlagRect(int i);
    // The place editor and the pictures, after the fields so that Enter
    // leads from the prices into the places.
    void finishDetailPage(int placesTop);

    // The zone's own search fields, in the list's order: code, names,
    // delivery days, remark.
    void addZoneSearchFields(Query& q) const;
    // Refusals shared by both windows; false after the message.
    bool checkPlaces();
    bool checkPrices(int firstBox, int lastBox, const QString& negativeMessage);

    void prepareEditors(int mode) override;
    void recordShown() override;
    void fieldEntered(const Field& f) override;
    void writeDetails(const QString& key, const QString& oldKey) override;
    void deleteRecord(const QString& key) override;
    QString duplicateMessage(const QString& typedKey) const override;
    void listRefused(const DbError& e) override;
    QStringList gridRowCells(const QStringList& values) const override;
    void sizeColumns(int gridWidthTwips) override;

    // A rectangle given in pixels, as the fields take it (twips).
    static QRect Px(int x, int y, int w, int h) { return QRect(x * 15, y * 15, w * 15, h * 15); }

    QGroupBox* FrmPrice;

private:
    QString m_placeTable;
    int m_englishBox;
    PlaceEditor* m_places = nullptr;
    WorldMaps* m_maps = nullptr;
};
