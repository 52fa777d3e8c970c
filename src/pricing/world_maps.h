#pragma once
#include <QLabel>
#include <QObject>
#include <QString>

// The two hemisphere pictures of the zone windows' detail page: `ImgMap(0)`
// (the eastern hemisphere, 224 x 160 pixels) is shown, `ImgMap(1)` (the
// western, 229 x 182) lies at the same place hidden; a click on the shown one
// swaps them. The pictures carry no data.
class WorldMaps : public QObject {
    Q_OBJECT
public:
    explicit WorldMaps(QWidget* parent);

    // Both pictures' top left corner.
    void moveTo(int x, int y);
    void ImgMap_Click(int index);

    QLabel* ImgMap[2];

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

