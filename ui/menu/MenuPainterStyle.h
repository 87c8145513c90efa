#pragma once

#include <QProxyStyle>

class TMenuPainter;

// The style a TMenuPainter installs on menus. Measuring and painting menu
// items go to the painter; frames, margins and the empty areas of menus and
// menu bars are kept flat in the painter's colours; everything else goes to a
// private copy of the application's style (sharing the application's style
// object would make this proxy its proxy for every widget).
class MenuPainterStyle : public QProxyStyle
{
    Q_OBJECT

public:
    static constexpr int MenuFrameWidth = 1;
    static constexpr int MenuVMargin = 2;

    explicit MenuPainterStyle(const TMenuPainter* painter);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
        const QWidget* widget = nullptr) const override;
    int pixelMetric(
        PixelMetric metric, const QStyleOption* option = nullptr, const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
        QStyleHintReturn* returnData = nullptr) const override;

private:
    const TMenuPainter* m_painter;
};
