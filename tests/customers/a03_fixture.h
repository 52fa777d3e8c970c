#pragma once
#include "customers/a03.h"
#include "support/qt_print.h"
#include "support/table_text.h"
#include "support/window_test.h"

#include <QStringList>

class QPushButton;

// The customer window on a fresh data file, strict responders.
class A03Test : public WindowTest {
protected:
    A03Test() { strictResponders = true; }
    void TearDown() override;

    // A company zone with its nineteen prices (missing ones Null).
    static void zone(const QString& code, const QString& name, const QString& scope = "国内",
                     const QList<double>& prices = {10, 9, 8, 7, 8, 7, 6, 5, 4});
    static void customer(const QString& code, const QString& name, const QString& salesman = {});
    static void quote(const QString& customer, const QString& zone, const QList<double>& prices);
    static void standard(const QList<double>& weights);

    A03* openA03();
    // Add mode with a code and a short name typed.
    void startAdd(A03* w, const QString& code, const QString& name);
    // Types a zone (or prefix) and a factor into the strip and presses a button.
    static void addZone(A03* w, const QString& zone, const QString& factor, const char* button = "CmdEnter");
    static void click(QWidget* w, const char* button);
    static QLineEdit* named(QWidget* w, const QString& name);
    // Cells c0..c(n-1) of the quote grid's row r joined by "|".
    static QString quoteRow(A03* w, int r, int n = 7);
    // Scripts the search dialog to look for customers whose short name is `name`.
    void scriptSearch(const QString& name);
    QString status() const { return host.panels.value(4); }
};
