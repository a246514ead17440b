#pragma once

#include <QImage>
#include <QString>
#include <QTextBrowser>

#include <map>

namespace quillon {

// Draws a picture given as inline SVG markup; the image is `size` pixels at the given device
// pixel ratio, transparent where the figure draws nothing.
QImage drawInlineFigure(const QString &svg, const QSize &size, qreal pixelRatio = 1.0);

// The program's own manual window: a text browser that shows the page's inline figures as
// pictures, which the text browser alone would show as their loose words.
class ManualBrowser : public QTextBrowser {
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl &name) override;

private:
    QString withFiguresAsImages(const QString &html);

    std::map<QString, QImage> m_figures;
};

} // namespace quillon
