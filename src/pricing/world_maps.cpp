#include "pricing/world_maps.h"

#include "platform/platform.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

namespace {

// A plain globe: the disc of one hemisphere with its meridians and parallels
// and the hemisphere's name.
QPixmap Hemisphere(int w, int h, const QString& name, bool east)
{
    QPixmap pm(w, h);
    pm.fill(QColor(236, 240, 246));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::min(w, h) - 24;
    const QRectF disc((w - d) / 2.0, 6, d, d);
    QRadialGradient sea(disc.center() - QPointF(d / 6.0, d / 6.0), d / 1.6);
    sea.setColorAt(0, QColor(150, 200, 240));
    sea.setColorAt(1, QColor(40, 100, 170));
    p.setBrush(sea);
    p.setPen(QPen(QColor(30, 60, 110), 1.2));
    p.drawEllipse(disc);

    // A few land masses, roughly where they lie on each side.
    p.setBrush(QColor(120, 170, 90));
    p.setPen(Qt::NoPen);
    auto blob = [&](double fx, double fy, double fw, double fh) {
        p.drawEllipse(QRectF(disc.x() + fx * d, disc.y() + fy * d, fw * d, fh * d));
    };
    if (east) {
        blob(0.18, 0.12, 0.62, 0.28); // Eurasia
        blob(0.22, 0.38, 0.26, 0.36); // Africa
        blob(0.62, 0.62, 0.22, 0.14); // Australia
    } else {
        blob(0.20, 0.10, 0.40, 0.30); // North America
        blob(0.42, 0.42, 0.24, 0.42); // South America
        blob(0.68, 0.06, 0.18, 0.12); // Greenland
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 110), 0.8));
    for (int i = 1; i < 6; ++i) {
        const double k = std::cos(M_PI * i / 6.0);
        p.drawEllipse(QRectF(disc.center().x() - d / 2.0 * k, disc.y(), d * k, d));
        const double y = disc.y() + d * i / 6.0;
        const double half = d / 2.0 * std::sin(M_PI * i / 6.0);
        p.drawLine(QPointF(disc.center().x() - half, y), QPointF(disc.center().x() + half, y));
    }
    p.setPen(QColor(30, 60, 110));
    p.drawText(QRectF(0, h - 18, w, 16), Qt::AlignCenter, name);
    return pm;
}

} // namespace

WorldMaps::WorldMaps(QWidget* parent)
    : QObject(parent)
{
    static const struct {
        int w, h;
        const char* name;
    } kMaps[2] = {{224, 160, "东半球"}, {229, 182, "西半球"}};
    for (int i = 0; i < 2; ++i) {
        ImgMap[i] = new QLabel(parent);
        ImgMap[i]->setObjectName(QStringLiteral("ImgMap(%1)").arg(i));
        ImgMap[i]->setPixmap(Hemisphere(kMaps[i].w, kMaps[i].h, QString::fromUtf8(kMaps[i].name), i == 0));
        ImgMap[i]->resize(kMaps[i].w, kMaps[i].h);
        ImgMap[i]->setCursor(Qt::PointingHandCursor);
        ImgMap[i]->setToolTip(QStringLiteral("单击切换东/西半球"));
        ImgMap[i]->installEventFilter(this);
    }
    ImgMap[1]->hide();
}

void WorldMaps::moveTo(int x, int y)
{
    ImgMap[0]->move(x, y);
    ImgMap[1]->move(x, y);
}

void WorldMaps::ImgMap_Click(int index)
{
    if (index < 0 || index > 1)
        return;
    WaitCursor wait;
    ImgMap[index]->hide();
    ImgMap[1 - index]->show();
}

bool WorldMaps::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (int i = 0; i < 2; ++i) {
            if (watched == ImgMap[i]) {
                ImgMap_Click(i);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
