#include "symbolicon.h"

#include "symboltable.h"

#include <QFile>
#include <QPainter>

SymbolIcon::SymbolIcon(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setImplicitSize(16, 16);
    setAntialiasing(true);
}

void SymbolIcon::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    reload();
    emit nameChanged();
}

void SymbolIcon::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    reload();
    emit colorChanged();
}

void SymbolIcon::reload()
{
    m_renderer.reset();
    const QString path
        = m_name == QLatin1String("Vexlo Logo") ? logoResourcePath() : symbolResourcePath(m_name);
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            QByteArray svg = file.readAll();
            // Alpha goes into the SVG as its own attribute: "currentColor" takes only an RGB value.
            svg.replace("currentColor", m_color.name(QColor::HexRgb).toLatin1());
            if (m_color.alphaF() < 1.0) {
                svg.replace("<svg",
                    QByteArrayLiteral("<svg opacity=\"") + QByteArray::number(m_color.alphaF(), 'f', 3)
                        + QByteArrayLiteral("\""));
            }
            auto renderer = std::make_unique<QSvgRenderer>(svg);
            if (renderer->isValid())
                m_renderer = std::move(renderer);
        }
    }
    update();
}

void SymbolIcon::paint(QPainter *painter)
{
    if (!m_renderer)
        return;
    // Keep the icon's aspect ratio and centre it in the item.
    const QSizeF natural = m_renderer->defaultSize();
    QSizeF target = natural.scaled(size(), Qt::KeepAspectRatio);
    const QPointF origin((width() - target.width()) / 2.0, (height() - target.height()) / 2.0);
    m_renderer->render(painter, QRectF(origin, target));
}
