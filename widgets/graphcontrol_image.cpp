// The graph as an image or a drawing, for the clipboard and for image files.
#include "graphcontrol.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

constexpr double kScreenDpi = 96.0;
constexpr double kPngScale = 2.0;

}  // namespace

QImage GraphControl::image(double scale) const
{
    legendOnTop();
    QImage image = m_plot->toPixmap(m_plot->width(), m_plot->height(), scale).toImage();
    // So that a document shows it at the graph's size.
    const int dotsPerMeter = qRound(scale * kScreenDpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

QImage GraphControl::imageAt(QSize size, double scale)
{
    // Laid out once at that size, for the legend to choose its corner there; then drawn.
    QCPLayoutInset *inset = m_plot->axisRect()->insetLayout();
    const Qt::Alignment shown = inset->insetAlignment(0);
    legendOnTop();
    m_plot->toPixmap(size.width(), size.height(), 1.0);
    placeLegend();
    QImage image = m_plot->toPixmap(size.width(), size.height(), scale).toImage();
    inset->setInsetAlignment(0, shown);
    // The plot's own layout stands at the size just drawn until it is drawn again.
    replotWhenShown();
    return image;
}

void GraphControl::paintDrawing(QPaintDevice *device, int width, int height) const
{
    QCPPainter painter(device);
    painter.setMode(QCPPainter::pmVectorized);
    legendOnTop();
    m_plot->toPainter(&painter, width, height);
}

QByteArray GraphControl::imageFile(ImageFormat format) const
{
    const int width = m_plot->width();
    const int height = m_plot->height();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
        case Png: image(kPngScale).save(&buffer, "PNG"); break;
        case Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setTitle(m_caption);
            svg.setResolution(qRound(kScreenDpi));
            svg.setSize(QSize(width, height));
            svg.setViewBox(QRect(0, 0, width, height));
            paintDrawing(&svg, width, height);
            break;
        }
        case Pdf: {
            // One page the graph's size, one unit a screen pixel.
            QPdfWriter pdf(&buffer);
            pdf.setTitle(m_caption);
            pdf.setCreator(QGuiApplication::applicationDisplayName());
            pdf.setResolution(qRound(kScreenDpi));
            pdf.setPageLayout(
                QPageLayout(QPageSize(QSizeF(width, height) * (72.0 / kScreenDpi), QPageSize::Point,
                                      QString(), QPageSize::ExactMatch),
                            QPageLayout::Portrait, QMarginsF()));
            paintDrawing(&pdf, width, height);
            break;
        }
    }
    return buffer.data();
}
