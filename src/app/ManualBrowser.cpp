#include "ManualBrowser.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QSvgRenderer>

namespace quillon {

namespace {

constexpr char kFigureScheme[] = "quillon-figure";

// HTML's named spaces are no XML entities, and a page's inline figure may leave out the SVG
// namespace that the renderer expects.
QByteArray asSvgDocument(const QString &svg)
{
    QString markup = svg;
    markup.replace(u"&nbsp;"_qs, u"&#160;"_qs);
    static const QRegularExpression openTag(u"^<svg\\b(?![^>]*\\bxmlns=)"_qs,
                                            QRegularExpression::CaseInsensitiveOption);
    markup.replace(openTag, u"<svg xmlns=\"http://www.w3.org/2000/svg\""_qs);
    return markup.toUtf8();
}

} // namespace

QImage drawInlineFigure(const QString &svg, const QSize &size, qreal pixelRatio)
{
    QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(asSvgDocument(svg));
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return image;
}

QVariant ManualBrowser::loadResource(int type, const QUrl &name)
{
    if (type == QTextDocument::ImageResource && name.scheme() == QLatin1String(kFigureScheme)) {
        const auto found = m_figures.find(name.toString());
        return found == m_figures.end() ? QVariant() : QVariant(found->second);
    }
    QVariant resource = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::HtmlResource)
        return resource;
    if (resource.userType() == QMetaType::QByteArray) {
        const QByteArray bytes = resource.toByteArray();
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        resource = decoder.isValid() ? QString(decoder(bytes)) : QString::fromUtf8(bytes);
    }
    return resource.userType() == QMetaType::QString ? withFiguresAsImages(resource.toString())
                                                     : resource;
}

QString ManualBrowser::withFiguresAsImages(const QString &html)
{
    static const QRegularExpression figure(u"<svg\\b.*?</svg\\s*>"_qs,
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression label(u"\\baria-label=\"([^\"]*)\""_qs);
    m_figures.clear();
    QString out;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &match : figure.globalMatch(html)) {
        const QString svg = match.captured();
        // The figure's width and height, else its view box.
        const QSize size = QSvgRenderer(asSvgDocument(svg)).defaultSize();
        const QString url =
            QStringLiteral("%1:%2").arg(QLatin1String(kFigureScheme)).arg(m_figures.size() + 1);
        m_figures[url] = drawInlineFigure(svg, size, devicePixelRatioF());
        out += QStringView(html).mid(from, match.capturedStart() - from);
        // A block of its own, or the page's line spacing would stretch the picture's line.
        out += QStringLiteral("<div style=\"line-height: 100%\"><img src=\"%1\" width=\"%2\" "
                              "height=\"%3\" alt=\"%4\"></div>")
                   .arg(url)
                   .arg(size.width())
                   .arg(size.height())
                   .arg(label.match(svg).captured(1));
        from = match.capturedEnd();
    }
    out += QStringView(html).mid(from);
    return out;
}

} // namespace quillon
