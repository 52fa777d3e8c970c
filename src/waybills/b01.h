#pragma once
#include "dialogs/listframe.h"

#include <memory>
#include <optional>

class QCheckBox;
class QDateEdit;
struct Waybill;

// The waybill register ("速递单", table B01): every waybill in the list; one
// waybill on the detail page in the 49 boxes Txt(0) .. Txt(48), ten of them
// chosen from the lists Cmb(k) lying over them, the send date from DTP and
// the shipped box ChkChuHuo. Saving writes the waybill and posts its
// receivable (and, when shipped, its payable) into the ledger in one
// transaction; the fee, the total and the cost compute as their boxes are
// entered.
class B01 : public ListFrame {
    Q_OBJECT
public:
    explicit B01(QWidget* parent = nullptr);

    ~B01() override;
    void Menu_Add_Click() override;
    void Menu_edit_Click() override;
    void Menu_del_Click() override;
    void Menu_query_Click() override;
    void Menu_save_Click() override;
    void Menu_Check_Click();
    void Menu_JSQ_Click();

    QDateEdit* dtp() const { return DTP; }
    QCheckBox* chkChuHuo() const { return ChkChuHuo; }

protected:
    QString fillStatement(const QString& sql) override;
    void addCell(FlexTextStore& store, const RowView& row, int col) const override;
    QString counterText() const override;
    QString shownText(const Field& f, const QString& stored) const override;
    void prepareEditors(int mode) override;
    void fieldEntered(const Field& f) override;
    void fieldLeft(const Field& f) override;
    void fillSearchFields(Query& q) override;
    void recordShown() override;
    void listRefused(const DbError& e) override;

private:
    // Customer and channel names by code while the whole list is read.
    struct ListNames;
    std::unique_ptr<ListNames> m_names;

    void buildDetailPage();
    void chainTabOrder();

    // The computed boxes, as they are entered.
    void computeInBox(int k, void (B01::*calc)());
    void CalcCustomerFee();
    void CalcShippingCost();
    void CalcTotal();

    // The lists that follow a choice, as it is left.
    void channelChosen();
    void zoneChosen();
    void customerChosen();

    void statusChanged();
    void ChkChuHuo_Click();

    // The save's checks and its write; false leaves the window in its mode.
    bool saveWaybill();
    // The save's steps in their order, each false when it stopped the save:
    // the lists copied into their boxes, the codes looked up (the names the
    // entries are posted under), the choices and required boxes, the number
    // free of other waybills and entries.
    bool copyBoxes();
    bool checkCodes(Waybill& w);
    bool checkChoices();
    bool checkNumberFree(const QString& number, const QString& oldKey);
    // The boxes as the record stores them.
    void fillRecord(Waybill& w) const;
    bool copyRequired(int k);
    // What the look-up found; nothing when it found nothing (the field's
    // message) or failed (the look-up's own box).
    std::optional<QString> checkCode(int k, const QString& sql);
    void presetOrigin();

    QString text(int k) const;
    void setText(int k, const QString& value);

    QCheckBox* ChkChuHuo = nullptr;
    QAction* Menu_Check = nullptr;
    QAction* Menu_JSQ = nullptr;
    QString m_customerText; // the customer list's text when it was entered or last taken
};

// Where the origin an operator chose last is remembered: the settings, one key
// per account, never the operator's rights.
int RememberedOrigin(const QString& account);
void RememberOrigin(const QString& account, int index);
