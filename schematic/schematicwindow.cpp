#include "schematic/schematicwindow.h"

#include "widgets/windowlook.h"

#include <QLabel>
#include <QPainter>

namespace {

constexpr int kClientWidthTwips = 11475;
constexpr int kClientHeightTwips = 7395;
constexpr int kLabelHeightTwips = 255;

// The picture box: a white page with the window's drawing, painted at any pixel ratio.
class Picture : public QWidget
{
public:
    Picture(void (*draw)(QPainter &), QWidget *parent) : QWidget(parent), m_draw(draw) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setRenderHint(QPainter::Antialiasing);
        m_draw(p);
    }

private:
    void (*m_draw)(QPainter &);
};

}  // namespace

SchematicWindow::SchematicWindow(const Layout &layout, QWidget *parent) : QDialog(parent)
{
    setObjectName(QLatin1String(layout.objectName));
    setWindowTitle(QLatin1String(layout.caption));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    styleWindow(this);
    createPicture(layout);
    createLabels(layout);
    fixAndPlaceUpperRight(this, twipsToPixels(kClientWidthTwips),
                          twipsToPixels(kClientHeightTwips));
}

void SchematicWindow::createPicture(const Layout &layout)
{
    auto *picture = new Picture(layout.draw, this);
    picture->setObjectName(QStringLiteral("Picture1"));
    const QRect &r = layout.pictureTwips;
    picture->setGeometry(twipsToPixels(r.x()), twipsToPixels(r.y()), twipsToPixels(r.width()),
                         twipsToPixels(r.height()));
}

void SchematicWindow::createLabels(const Layout &layout)
{
    auto *picture = findChild<QWidget *>(QStringLiteral("Picture1"));
    for (const LabelPlace &place : layout.labels) {
        QLabel *label = goldLabel(QString(), picture);
        label->setObjectName(QLatin1String(place.name));
        label->setGeometry(twipsToPixels(place.left), twipsToPixels(place.top),
                           twipsToPixels(place.width), twipsToPixels(kLabelHeightTwips));
        m_labels.push_back({label, place.part, twipsToPixels(place.width)});
    }
}

void SchematicWindow::setCaption(QString SchematicCaptions::*part, const QString &text)
{
    for (const PlacedLabel &placed : m_labels) {
        if (placed.part != part)
            continue;
        placed.label->setText(text);
        // Wider than its place only when the font needs it: a caption is never cut.
        placed.label->resize(std::max(placed.minimumWidth, placed.label->sizeHint().width()),
                             placed.label->height());
    }
}
