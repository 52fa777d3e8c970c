#pragma once
#include "dialogs/report_layout.h"
#include "support/qt_print.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QSet>

// The texts of a laid-out report whose font-metric bounding box, laid out
// with their item's flags, leaves their item's box: "page n: text needs w x h mm
// in a box of w x h". Empty when every text fits.
inline QStringList TextsOutsideTheirBoxes(const ReportLayout& layout)
{
    QStringList out;
    for (int p = 0; p < layout.pages.size(); ++p) {
        for (const LaidItem& it : layout.pages[p].items) {
            if (it.kind != LaidItem::Text || it.text.isEmpty())
                continue;
            const ShownReportText shown = ShowReportText(it);
            const QRectF used = QFontMetricsF(shown.font).boundingRect(shown.rect, shown.flags, shown.text);
            if (!shown.rect.contains(used))
                out << QStringLiteral("page %1: \"%2\" needs %3 x %4 mm in a box of %5 x %6")
                           .arg(p + 1)
                           .arg(shown.text)
                           .arg(used.width() * shown.mmPerUnit)
                           .arg(used.height() * shown.mmPerUnit)
                           .arg(it.rect.width())
                           .arg(it.rect.height());
        }
    }
    return out;
}

// Where a laid-out text is drawn, in millimetres: its font-metric bounding
// box laid out with its item's flags.
inline QRectF DrawnExtent(const LaidItem& it)
{
    const ShownReportText shown = ShowReportText(it);
    const QRectF r = QFontMetricsF(shown.font).boundingRect(shown.rect, shown.flags, shown.text);
    return QRectF(r.topLeft() * shown.mmPerUnit, r.size() * shown.mmPerUnit);
}

// The texts of a laid-out report shown neither whole (line breaks aside) nor
// ending in "…": text lost without a sign.
inline QStringList TextsCutWithoutAMark(const ReportLayout& layout)
{
    auto solid = [](QString s) {
        s.remove(QRegularExpression(QStringLiteral("\\s")));
        return s;
    };
    QStringList out;
    for (int p = 0; p < layout.pages.size(); ++p)
        for (const LaidItem& it : layout.pages[p].items) {
            const QString shown = ShowReportText(it).text;
            if (it.kind == LaidItem::Text && solid(shown) != solid(it.text) && !shown.endsWith(QStringLiteral("…")))
                out << QStringLiteral("page %1: \"%2\" shown as \"%3\"").arg(p + 1).arg(it.text, shown);
        }
    return out;
}

// The numbers of a laid-out report (its texts among numbers) not shown whole,
// or drawn nearer than ruleGap mm to an upright line or box side beside them
// (or across one), or nearer than textGap mm to another text beside them.
inline QStringList NumbersNotClear(const ReportLayout& layout, const QSet<QString>& numbers, double ruleGap,
                                   double textGap)
{
    QStringList out;
    auto across = [](double top, double bottom, const QRectF& r) {
        return top < r.bottom() - 1e-6 && bottom > r.top() + 1e-6;
    };
    for (int p = 0; p < layout.pages.size(); ++p) {
        const QList<LaidItem>& items = layout.pages[p].items;
        for (const LaidItem& it : items) {
            if (it.kind != LaidItem::Text || !numbers.contains(it.text))
                continue;
            const QString where =
                QStringLiteral("page %1: \"%2\" at %3 mm").arg(p + 1).arg(it.text).arg(it.rect.left());
            if (ShowReportText(it).text != it.text) {
                out << where + " shown as " + ShowReportText(it).text;
                continue;
            }
            const QRectF ink = DrawnExtent(it);
            for (const LaidItem& o : items) {
                if (&o == &it)
                    continue;
                QList<QLineF> uprights;
                if (o.kind == LaidItem::Line && qAbs(o.line.x1() - o.line.x2()) < 1e-6)
                    uprights << o.line;
                if (o.kind == LaidItem::Box)
                    uprights << QLineF(o.rect.topLeft(), o.rect.bottomLeft())
                             << QLineF(o.rect.topRight(), o.rect.bottomRight());
                for (const QLineF& l : uprights) {
                    const double x = l.x1();
                    const double gap = qMin(qAbs(x - ink.left()), qAbs(x - ink.right())) - o.penWidth / 2;
                    const bool inside = x > ink.left() && x < ink.right();
                    if (across(qMin(l.y1(), l.y2()), qMax(l.y1(), l.y2()), ink) && (inside || gap < ruleGap))
                        out << where + QStringLiteral(" %1 mm from the rule at %2").arg(inside ? 0 : gap).arg(x);
                }
                if (o.kind == LaidItem::Text && !o.text.isEmpty()) {
                    const QRectF other = DrawnExtent(o);
                    const double gap = qMax(other.left() - ink.right(), ink.left() - other.right());
                    if (across(other.top(), other.bottom(), ink) && gap < textGap)
                        out << where + QStringLiteral(" %1 mm from \"%2\"").arg(gap).arg(o.text);
                }
            }
        }
    }
    return out;
}
