#pragma once
#include "platform/mainhost.h"

#include <QList>
#include <QString>
#include <QStringList>

class FlexGrid;
class QAction;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;

// The sales statement ("销售统计报表"): the delivery notes of a date range,
// for all customers or one, with amount, paid and owed and a sums row; it
// prints the sales statement (prntd3.rpt) and the monthly statement of the
// current row's customer (prntd4.rpt) through the scratch table PRTB2.
class D3 : public ChildWindow {
    Q_OBJECT
public:
    explicit D3(QWidget* parent = nullptr);

    void formLoad() override;

    void FillCustomerList();
    void RunQuery();
    void FillGrid(const QString& sql);
    void SetupGrid();
    void ShowPosition();
    void MergeCustomerCells();
    void GD_RowColChange();

    void Menu_print_Click();
    void Menu_print2_Click();
    void Menu_Return_Click();

    FlexGrid* grid() const { return GD; }
    int curRow() const { return CurRow; }
    int markRow() const { return MarkRow; }
    QString curSql() const { return CurSql; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Nothing listed: the operator is told and the scratch table is left as
    // it was. True when refused.
    bool refuseEmptyPrint(const QString& emptyMessage) const;
    // This window's wording when a template is gone (the print host checks).
    static QString missingTemplateMessage(const QString& templateName);
    // The formulas both statements begin their columns with, after the headings.
    QStringList columnFormulas(const QString& dateCaption) const;
    QString companyName() const;
    QString periodText() const;

    QFrame* FrM;
    QList<QLabel*> Lab;
    QComboBox* CmbKH;
    QList<QDateEdit*> DTP;
    QPushButton* CmdReQuery;
    FlexGrid* GD;
    QAction* Menu_print;
    QAction* Menu_print2;
    QAction* Menu_Return;

    QString CurSql;
    QString OrderSql = "order by TD1.F3,TD1.F2,TD1.F1";
    int CurRow = 1;
    int MarkRow = 1;
    bool m_inRowChange = false;
};
