#pragma once
#include "dialogs/report_layout.h"

#include <QFontMetricsF>

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
