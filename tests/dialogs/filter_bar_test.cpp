#include "dialogs/filter_bar.h"
#include "platform/vb.h"
#include "support/window_test.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class FilterBarTest : public WindowTest {
protected:
    FilterBarTest() { strictResponders = true; }
};

TEST_F(FilterBarTest, ControlsStandInTheirOrderWithWiderGapsBetweenGroups)
{
    QWidget window;
    QFrame* bar = MakeFilterBar(&window);
    auto* from = new QLabel("由", bar);
    QDateEdit* start = MakeDatePicker(bar, "DTP(0)");
    QComboBox* party = MakePartyList(bar);
    QPushButton* cmd = MakeCommandButton(bar, "Cmd", "生成报表");
    LayOutFilterBar(bar, {from, start, nullptr, party, nullptr, cmd});
    bar->setGeometry(0, 0, 1000, bar->height());
    window.resize(1000, 200);
    window.show();
    Pump();

    EXPECT_EQ(bar->objectName(), "Frm");
    EXPECT_EQ(bar->height(), TwipsToPx(600));
    const QWidget* row[] = {from, start, party, cmd};
    QList<int> gaps;
    for (int i = 1; i < 4; ++i) {
        EXPECT_LT(row[i - 1]->geometry().right(), row[i]->geometry().left()) << i;
        gaps << row[i]->geometry().left() - row[i - 1]->geometry().right();
    }
    // Within a group the plain spacing, between groups a wider gap.
    EXPECT_LT(gaps[0], gaps[1]);
    EXPECT_LT(gaps[0], gaps[2]);
    // What is left over stays at the right end.
    EXPECT_LT(cmd->geometry().right(), 900);
    EXPECT_GE(party->width(), TwipsToPx(3000));
}

TEST_F(FilterBarTest, PickerListAndButtonBehaveAlikeInEveryWindow)
{
    QWidget window;
    QDateEdit* picker = MakeDatePicker(&window, "DTP(1)");
    picker->setDate(QDate(2024, 3, 5));
    EXPECT_EQ(picker->objectName(), "DTP(1)");
    EXPECT_EQ(picker->text(), "2024-03-05");
    EXPECT_TRUE(picker->calendarPopup());

    // Typed text is not added to the list.
    QComboBox* party = MakePartyList(&window);
    party->addItems({"所有关系单位", "Alpha"});
    window.show();
    Pump();
    party->setEditText(QString());
    party->lineEdit()->setFocus();
    type(party->lineEdit(), "Nobody");
    pressKey(party->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(party->objectName(), "Cmb");
    EXPECT_EQ(party->count(), 2);
    EXPECT_EQ(party->currentText(), "Nobody");

    QPushButton* button = MakeCommandButton(&window, "Command1", "开始刷新");
    EXPECT_EQ(button->objectName(), "Command1");
    EXPECT_EQ(button->text(), "开始刷新");
    EXPECT_FALSE(button->autoDefault());
}
