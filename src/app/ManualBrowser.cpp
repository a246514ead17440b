#include "ManualBrowser.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <vector>

namespace quillon {

namespace {

constexpr char kFigureScheme[] = "quillon-figure";
constexpr double kDefaultFontSize = 16.0;
constexpr QSize kDefaultFigureSize(300, 150);

// The presentation attributes that groups hand down to what they hold.
struct Paint {
    QString fill = QStringLiteral("black");
    QString stroke = QStringLiteral("none");
    double strokeWidth = 1.0;
    double fontSize = kDefaultFontSize;
    QString fontWeight;
    QString fontFamily;
    QString textAnchor;
};

Paint inherit(const Paint &outer, const QXmlStreamAttributes &attributes)
{
    Paint paint = outer;
    auto take = [&](const char *name, QString &into) {
        if (attributes.hasAttribute(QLatin1String(name)))
            into = attributes.value(QLatin1String(name)).toString().trimmed();
    };
    take("fill", paint.fill);
    take("stroke", paint.stroke);
    take("font-weight", paint.fontWeight);
    take("font-family", paint.fontFamily);
    take("text-anchor", paint.textAnchor);
    if (attributes.hasAttribute(u"stroke-width"_qs))
        paint.strokeWidth = attributes.value(u"stroke-width"_qs).toDouble();
    if (attributes.hasAttribute(u"font-size"_qs))
        paint.fontSize = attributes.value(u"font-size"_qs).toDouble();
    return paint;
}

double number(const QXmlStreamAttributes &attributes, const char *name)
{
    return attributes.value(QLatin1String(name)).toDouble();
}

QColor colorOf(const QString &text)
{
    return text == u"none" ? QColor() : QColor::fromString(text);
}

void applyPaint(QPainter &painter, const Paint &paint)
{
    const QColor fill = colorOf(paint.fill);
    painter.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    const QColor stroke = colorOf(paint.stroke);
    painter.setPen(stroke.isValid() ? QPen(stroke, paint.strokeWidth) : QPen(Qt::NoPen));
}

QPolygonF points(const QXmlStreamAttributes &attributes)
{
    const QStringList values = attributes.value(u"points"_qs)
                                   .toString()
                                   .split(QRegularExpression(u"[\\s,]+"_qs), Qt::SkipEmptyParts);
    QPolygonF polygon;
    for (qsizetype i = 0; i + 1 < values.size(); i += 2)
        polygon << QPointF(values.at(i).toDouble(), values.at(i + 1).toDouble());
    return polygon;
}

void drawText(QPainter &painter, const Paint &paint, const QPointF &at, const QString &text)
{
    QFont font(paint.fontFamily.isEmpty() ? u"Arial"_qs : paint.fontFamily.section(u',', 0, 0));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, qRound(paint.fontSize)));
    font.setBold(paint.fontWeight == u"bold" || paint.fontWeight.toInt() >= 600);
    painter.setFont(font);
    const double width = QFontMetricsF(font).horizontalAdvance(text);
    const double shift = paint.textAnchor == u"middle" ? width / 2
                         : paint.textAnchor == u"end"  ? width
                                                       : 0.0;
    const QColor fill = colorOf(paint.fill);
    if (!fill.isValid())
        return;
    painter.setPen(fill);
    painter.drawText(at - QPointF(shift, 0), text);
}

// x, y, width and height of the view box; empty when it has none.
QList<double> viewBox(const QXmlStreamAttributes &attributes)
{
    static const QRegularExpression separators(u"[\\s,]+"_qs);
    QList<double> box;
    for (const QString &value :
         attributes.value(u"viewBox"_qs).toString().split(separators, Qt::SkipEmptyParts))
        box << value.toDouble();
    if (box.size() != 4 || box.at(2) <= 0 || box.at(3) <= 0)
        box.clear();
    return box;
}

// The figure's size in the page: its width and height, else its view box, else the default.
QSize figureSize(const QXmlStreamAttributes &attributes)
{
    const QList<double> box = viewBox(attributes);
    const int width = attributes.value(u"width"_qs).toInt();
    const int height = attributes.value(u"height"_qs).toInt();
    if (width > 0 && height > 0)
        return {width, height};
    if (!box.isEmpty())
        return {qRound(box.at(2)), qRound(box.at(3))};
    return kDefaultFigureSize;
}

} // namespace

QImage drawInlineFigure(const QString &svg, const QSize &size, qreal pixelRatio)
{
    QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // HTML's named spaces are no XML entities.
    QString markup = svg;
    markup.replace(u"&nbsp;"_qs, u"&#160;"_qs);
    QXmlStreamReader reader(markup);
    std::vector<Paint> paints{Paint()};
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (paints.size() > 1)
                paints.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        const Paint paint = inherit(paints.back(), attributes);
        const QStringView name = reader.name();
        if (name == u"svg") {
            if (const QList<double> box = viewBox(attributes); !box.isEmpty()) {
                painter.scale(size.width() / box.at(2), size.height() / box.at(3));
                painter.translate(-box.at(0), -box.at(1));
            }
        } else if (name == u"text") {
            const QPointF at(number(attributes, "x"), number(attributes, "y"));
            drawText(painter, paint, at,
                     reader.readElementText(QXmlStreamReader::IncludeChildElements).simplified());
            continue; // the reader stands on the text's end, which was not counted
        }
        applyPaint(painter, paint);
        if (name == u"rect") {
            painter.drawRect(QRectF(number(attributes, "x"), number(attributes, "y"),
                                    number(attributes, "width"), number(attributes, "height")));
        } else if (name == u"line") {
            painter.drawLine(QLineF(number(attributes, "x1"), number(attributes, "y1"),
                                    number(attributes, "x2"), number(attributes, "y2")));
        } else if (name == u"circle") {
            const double r = number(attributes, "r");
            painter.drawEllipse(QPointF(number(attributes, "cx"), number(attributes, "cy")), r, r);
        } else if (name == u"polygon") {
            painter.drawPolygon(points(attributes));
        } else if (name == u"polyline") {
            painter.drawPolyline(points(attributes));
        }
        paints.push_back(paint);
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
    m_figures.clear();
    QString out;
    qsizetype from = 0;
    for (const QRegularExpressionMatch &match : figure.globalMatch(html)) {
        const QString svg = match.captured();
        QXmlStreamReader head(svg);
        while (!head.atEnd() && head.readNext() != QXmlStreamReader::StartElement) {
        }
        const QXmlStreamAttributes attributes = head.attributes();
        const QSize size = figureSize(attributes);
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
                   .arg(attributes.value(u"aria-label"_qs).toString().toHtmlEscaped());
        from = match.capturedEnd();
    }
    out += QStringView(html).mid(from);
    return out;
}

} // namespace quillon
