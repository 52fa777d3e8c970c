#pragma once
#include "support/qt_print.h"
#include "support/table_text.h"
#include "support/window_test.h"

#include <QStringList>
#include <functional>

class ListFrame;
class PlaceEditor;
class QCheckBox;
class QComboBox;
class QLabel;
class Query;

// Pricing windows on a fresh data file: strict responders, rows put in
// directly, controls found by their system names.
class PricingTest : public WindowTest {
protected:
    PricingTest() { strictResponders = true; }

    // A channel (M01) with its standard: D0, D1, S0, S1, JFD, J0..J9.
    static void channel(const QString& code, const QString& name, const QList<double>& standard = {});
    // A company zone (M02) or a channel zone (M011) and a place of it.
    static void zone(const QString& code, const QString& name, const QString& scope = "国内");
    static void channelZone(const QString& code, const QString& name, const QString& channelCode, double segments = 0);
    static void place(const QString& table, const QString& zone, const QString& zh, const QString& en = {});
    static void waybill(const QString& no, const QString& column, const QString& value);

    static QLabel* lab(QWidget* w, const QString& name);
    static QLabel* lab(QWidget* w, int k);
    static QComboBox* combo(QWidget* w, const QString& name);
    static QCheckBox* check(QWidget* w, int k);
    // The grid's row r as "c0|c1|...", over its first n columns.
    static QString gridRow(QWidget* w, int r, int n);
    // Sets a box's text as the operator would leave it.
    static void set(QWidget* w, int k, const QString& text);
    // The window shows in front with the focus, for tests of focus rules.
    static void activate(QWidget* w);
    // Adds a place through the editor, as the operator does.
    static void addPlace(PlaceEditor* ed, const QString& zh, const QString& en = {});
    // Every insert into the table fails from now on.
    static void refuseInserts(const QString& table);

    // Saves, expecting the box `message`; the window stays in `mode`.
    void expectRefusedSave(ListFrame* w, const QString& message, int mode);
    // What the window's search offers: its fields and the one it starts on.
    // `then` works the dialog afterwards; by default it is cancelled.
    struct SearchOffer {
        QStringList captions;
        int start = -1;
    };
    SearchOffer search(ListFrame* w, const std::function<void(Query&)>& then = {});
};
