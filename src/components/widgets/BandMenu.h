#pragma once

#include <QImage>
#include <QMenu>

namespace brel {

/// A drop-down menu with a painted band down its left side: a gradient from
/// black at the top to blue at the bottom, with a logo standing at the foot
/// of the band. The items are laid out right of the band and never cover it.
class BandMenu : public QMenu {
    Q_OBJECT
public:
    static constexpr int DefaultBandWidth = 24;

    explicit BandMenu(QWidget *parent = nullptr);
    explicit BandMenu(const QString &title, QWidget *parent = nullptr);

    /// Width of the band in pixels; the item area moves with it.
    void setBandWidth(int width);
    int bandWidth() const { return m_bandWidth; }

    /// The logo drawn at the foot of the band, centred across it. Its black
    /// pixels are see-through, so the gradient shows around the picture.
    /// A band lower than the logo shows the gradient alone.
    void setBandLogo(const QImage &logo);

    /// Where the band lies, in the menu's own coordinates: inside the frame,
    /// the full inner height.
    QRect bandRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintBand(QPainter &painter) const;

    int m_bandWidth = DefaultBandWidth;
    QImage m_logo; ///< already with its black made transparent
};

} // namespace brel
