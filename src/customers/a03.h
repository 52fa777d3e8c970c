#pragma once
#include "customers/quote_sheet.h"
#include "dialogs/listframe.h"

class QFrame;
class QPushButton;

// The customers and their quotes ("客户资料与报价", tables M03 and M031).
//
// The list page shows seven of the fourteen columns of M03; the detail page
// has three parts top to bottom: the master-data boxes `FrmTop`, the quote
// grid `GdMx` (two caption rows from the pricing standard, one zone per row
// with its nineteen prices) and the remark area `FrmBtm` (five remark lines,
// enlarged over the grid by `CmdUpDown`). While a customer is added or edited
// the quote strip `PicLRQ` beside the tabs adds zones from the zone price
// list times a factor (one zone, or every zone whose code begins with the
// typed text through the drop-down `GdDownList`) and deletes them;
// "清空报价" empties the grid, "更新报价" re-floats every price by the
// customer's factor, and a click on a price opens the in-cell editor.
// Quotes change only in the grid: the customer's save writes the customer
// and its quote rows together.
//
// The two print items print the grid as the international and the domestic
// quote sheet.
class A03 : public ListFrame {
    Q_OBJECT
public:
    // The detail page's boxes Txt(k); the salesman is the list CmbYWY and
    // the remark lines TxtMEMO(0..3) are fields kFirstMemo on.
    enum A03Box {
        kCode = 0,
        kShortName = 1,
        kChineseName = 2,
        kEnglishName = 3,
        kChineseAddress = 4,
        kEnglishAddress = 5,
        kPhone = 6,
        kFax = 7,
        kMail = 8,
        kSalesman = 9,
        kRemark = 10,
        kFactor = 11,
        kPaid = 12,
        kOwed = 13,
        kFirstMemo = 14,
    };
    // The captions of the factor and the remark lie the other way round.
    enum A03Label { kFactorLabel = 10, kRemarkLabel = 11 };

    explicit A03(QWidget* parent = nullptr);

    void formLoad() override;

    FlexGrid* quoteGrid() const { return GdMx; }
    int quoteRow() const { return m_quoteRow; }
    bool remarksEnlarged() const;
    bool zoneListOpen() const;

    // The window's own procedures.
    void FillSalesmanList();
    void CmdUpDown_Click();
    void Menu_print1_Click();
    void Menu_print2_Click();

    // The quote procedures.
    void SetupQuoteGrid();
    void LoadQuotes();
    void ShowQuotePosition();
    int FindQuoteRow(const QString& zoneCode) const;
    bool AddQuotes();
    void CmdEnter_Click();
    void CmdDel_Click();
    void CmdGdMxclear_Click();
    void CmdReNewPrice_Click();
    void CmdDownList_Click();
    // A click on quote-grid cell (row, col), as the operator's click runs it.
    void GdMx_Click();
    // Writes a pending in-cell edit into the grid and closes the editor.
    void TxtEnter_LostFocus();

    void ShowPosition() override;
    void Menu_Add_Click() override;
    void Menu_edit_Click() override;
    void Menu_del_Click() override;
    void Menu_save_Click() override;
    void Menu_ToExcel_Click() override;

protected:
    void sizeColumns(int gridWidthTwips) override;
    QString counterText() const override;
    void recordShown() override;
    void prepareEditors(int mode) override;
    void fieldEntered(const Field& f) override;
    QStringList entryValues() const override;
    QStringList storedValues(const QStringList& values) const override;
    void writeDetails(const QString& key, const QString& oldKey) override;
    void deleteRecord(const QString& key) override;
    QString duplicateMessage(const QString& typedKey) const override;
    QString deleteQuestion(const QString& name) const override;
    void fillSearchFields(Query& q) override;
    void searchClosed() override;
    void listRefused(const DbError& e) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a button's handler as a command of this window.
    void connectButton(QPushButton* button, void (A03::*handler)());
    // True (after telling the operator) when the list holds no customer.
    bool refuseEmptyList(const char* message);
    void buildQuoteControls();
    void layoutDetail();
    void setRemarksEnlarged(bool on);
    void collapseZoneList();
    void focusZoneBox();
    void SetupZoneList();
    void FillZoneList();
    void GdDownList_Choose();
    void printSheet(SheetScope scope);
    // The quote rows as texts (row 2 on), for printing.
    QList<QStringList> quoteRows() const;
    // The price of a quote cell: the stored number while the cell shows it,
    // or the number its text reads as.
    double quotePrice(int r, int c) const;
    // A price the window works out (a re-float) into a cell.
    void putQuotePrice(int r, int c, const QString& text);
    bool quoteGridEmpty() const;
    QString customerCode() const;

    QFrame* FrmTop;
    QFrame* FrmBtm;
    QPushButton* CmdUpDown;
    QPushButton* CmdReNewPrice;
    QPushButton* CmdGdMxclear;
    FlexGrid* GdMx;
    QFrame* PicLRQ;
    QLineEdit* TxtHPBM;
    QLineEdit* TxtSL;
    QPushButton* CmdDownList;
    QPushButton* CmdEnter;
    QPushButton* CmdDel;
    FlexGrid* GdDownList;
    QAction* Menu_print1;
    QAction* Menu_print2;

    int m_quoteRow = 1;
    bool m_remarksEnlarged = false;
};
