#include "dialogs/report_engine.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>

namespace {
QPageLayout pageLayoutFor(const QSizeF& mm)
{
    const QSizeF portrait(qMin(mm.width(), mm.height()), qMax(mm.width(), mm.height()));
    const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, mm.width() > mm.height() ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}
} // namespace

bool PrintReport(const ReportLayout& layout, QPagedPaintDevice& device, QString* error)
{
    device.setPageLayout(pageLayoutFor(layout.pageSize));
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error)
            *error = QStringLiteral("无法开始打印报表%1!").arg(layout.name);
        return false;
    }
    const double pxPerMm = device.logicalDpiX() / 25.4;
    for (int i = 0; i < layout.pages.size(); ++i) {
        if (i > 0 && !device.newPage()) {
            if (error)
                *error = QStringLiteral("打印报表%1时无法换页!").arg(layout.name);
            painter.end();
            return false;
        }
        PaintReportPage(painter, layout.pages[i], pxPerMm);
    }
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("打印报表%1未能完成!").arg(layout.name);
        return false;
    }
    return true;
}

bool WriteReportPdf(const ReportLayout& layout, const QString& path, QString* error)
{
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    pdf.setTitle(layout.name);
    pdf.setCreator(QStringLiteral("raredade"));
    if (!PrintReport(layout, pdf, error)) {
        if (error)
            *error = QStringLiteral("无法写入文件%1!").arg(path);
        return false;
    }
    return true;
}

// The pages of the preview, painted on demand: only those in view are drawn.
class ReportPreview::Pages : public QWidget {
public:
    static constexpr int kGap = 12;
    explicit Pages(QWidget* parent) : QWidget(parent) {}
    void setReport(const ReportLayout* layout, double scale)
    {
        m_layout = layout;
        m_scale = scale;
        const double s = m_scale;
        if (m_layout && !m_layout->pages.isEmpty()) {
            const QSizeF page = m_layout->pageSize * s;
            setFixedSize(int(page.width()) + 2 * kGap,
                int(double(m_layout->pages.size()) * (page.height() + kGap)) + kGap);
        } else {
            setFixedSize(0, 0);
        }
        update();
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        if (!m_layout)
            return;
        QPainter p(this);
        const double s = m_scale;
        const QSizeF size = m_layout->pageSize * s;
        for (int i = 0; i < m_layout->pages.size(); ++i) {
            const QRectF r(kGap, kGap + i * (size.height() + kGap), size.width(), size.height());
            if (!r.intersects(e->rect()))
                continue;
            p.fillRect(r.translated(3, 3), QColor(90, 90, 90));
            p.fillRect(r, Qt::white);
            p.save();
            p.translate(r.topLeft());
            PaintReportPage(p, m_layout->pages[i], s);
            p.restore();
        }
    }

private:
    const ReportLayout* m_layout = nullptr;
    double m_scale = 1;
};

ReportPreview::ReportPreview(QWidget* parent)
    : QScrollArea(parent)
    , m_pages(new Pages(this))
{
    setObjectName(QStringLiteral("Cry"));
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidget(m_pages);
    m_pages->setReport(nullptr, 1);
}

void ReportPreview::showReport(std::shared_ptr<const ReportLayout> layout)
{
    m_layout = std::move(layout);
    m_pages->setReport(m_layout.get(), pageScale());
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void ReportPreview::clear()
{
    m_layout.reset();
    m_pages->setReport(nullptr, 1);
}

double ReportPreview::pageScale() const
{
    // Paper at its real size on the screen, narrowed so a page's width fits.
    const double real = logicalDpiX() / 25.4;
    if (!m_layout || m_layout->pageSize.width() <= 0)
        return real;
    const int scrollBar = verticalScrollBar()->sizeHint().width();
    const double fit = (viewport()->width() - scrollBar - 2 * Pages::kGap) / m_layout->pageSize.width();
    return qBound(1.0, fit, real);
}

void ReportPreview::resizeEvent(QResizeEvent* e)
{
    QScrollArea::resizeEvent(e);
    if (m_layout)
        m_pages->setReport(m_layout.get(), pageScale());
}
