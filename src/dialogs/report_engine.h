#pragma once
#include "dialogs/report_layout.h"

#include <QScrollArea>
#include <memory>

class QPagedPaintDevice;

// Prints every page on a paged device (a printer or a PDF writer) sized to the
// report's paper. Returns false with the reason when the device refuses.
bool PrintReport(const ReportLayout& layout, QPagedPaintDevice& device, QString* error);
bool WriteReportPdf(const ReportLayout& layout, const QString& path, QString* error);

// The preview: the pages one under the other on a grey ground.
class ReportPreview : public QScrollArea {
    Q_OBJECT
public:
    explicit ReportPreview(QWidget* parent = nullptr);
    void showReport(std::shared_ptr<const ReportLayout> layout);
    void clear();
    const ReportLayout* report() const { return m_layout.get(); }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    double pageScale() const;
    class Pages;
    Pages* m_pages;
    std::shared_ptr<const ReportLayout> m_layout;
};
