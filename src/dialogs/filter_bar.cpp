#include "dialogs/filter_bar.h"

#include "platform/date_picker.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kBarTwips = 600;
constexpr int kMarginTwips = 120;
constexpr int kSpacingTwips = 90;
constexpr int kGapTwips = 240;
constexpr int kPartyTwips = 3000;

} // namespace

QFrame* MakeFilterBar(QWidget* parent)
{
    auto* bar = new QFrame(parent);
    bar->setObjectName(QStringLiteral("Frm"));
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setFixedHeight(TwipsToPx(kBarTwips));
    return bar;
}

QHBoxLayout* LayOutFilterBar(QFrame* bar, const QList<QWidget*>& controls)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(TwipsToPx(kMarginTwips), 0, TwipsToPx(kMarginTwips), 0);
    row->setSpacing(TwipsToPx(kSpacingTwips));
    for (QWidget* w : controls) {
        if (w)
            row->addWidget(w);
        else
            row->addSpacing(TwipsToPx(kGapTwips));
    }
    row->addStretch(1);
    return row;
}

QDateEdit* MakeDatePicker(QWidget* parent, const QString& name)
{
    auto* d = new DatePicker(parent);
    d->setObjectName(name);
    return d;
}

QLabel* MakeBarLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

QComboBox* MakePartyList(QWidget* parent)
{
    auto* cb = new QComboBox(parent);
    cb->setObjectName(QStringLiteral("Cmb"));
    cb->setEditable(true);
    cb->setInsertPolicy(QComboBox::NoInsert);
    cb->setMinimumWidth(TwipsToPx(kPartyTwips));
    return cb;
}

QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}
