#pragma once
#include "platform/mainhost.h"

#include <QString>
#include <QStringList>

class FlexGrid;
class QAction;

// The payments made against delivery notes ("客户付款记录"): a search lists
// them with a sums row, the list exports, and "&A.付款" opens the payment
// entry D201, which appends each payment it saves.
class D2 : public ChildWindow {
    Q_OBJECT
public:
    explicit D2(QWidget* parent = nullptr);

    // Written by the search dialog: the finished statement, "" when cancelled.
    QString PubSql;

    void formLoad() override;

    void SetupGrid();
    void FillGrid(const QString& sql);
    void ShowPosition();
    void GD_RowColChange();

    // A payment just saved, as its seven cells: the sums row goes (the next
    // search rebuilds it), the blank row of an empty list goes, and the new
    // row is appended and made current.
    void AppendPayment(const QStringList& cells);

    void Menu_A_Click();
    void Menu_query_Click();
    void Menu_ToExcel_Click();
    void Menu_Return_Click();

    FlexGrid* grid() const { return GD; }
    int curRow() const { return CurRow; }
    QString curSql() const { return CurSql; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    FlexGrid* GD;
    QAction* Menu_A;
    QAction* Menu_query;
    QAction* Menu_Sort;
    QAction* Menu_ToExcel;
    QAction* Menu_print;
    QAction* Menu_Return;

    QString CurSql;
    int CurRow = 1;
    bool m_inRowChange = false;
};
